target_sources(orvalis_core PRIVATE
    engine/check_interval.cpp
    engine/checker_network.cpp
    engine/connect_mode.cpp
    engine/down_lists.cpp
    engine/fingerprint_accumulator.cpp
    engine/fingerprint_sums.cpp
    engine/memory_site_list.cpp
    engine/page_blocks.cpp
    engine/page_probe.cpp
    engine/reachable_address.cpp
    engine/site_checker.cpp
    engine/site_entry.cpp
    engine/site_status.cpp
    engine/status_updates.cpp
    engine/tray_icon.cpp
    engine/url_host.cpp
)
