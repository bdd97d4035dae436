target_sources(orvalis_core PRIVATE
    engine/check_interval.cpp
    engine/checker_network.cpp
    engine/down_lists.cpp
    engine/memory_site_list.cpp
    engine/site_checker.cpp
    engine/site_entry.cpp
    engine/site_status.cpp
    engine/status_updates.cpp
    engine/tray_icon.cpp
    engine/url_host.cpp
)
