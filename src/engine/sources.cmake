target_sources(orvalis_core PRIVATE
    engine/connect_mode.cpp
    engine/fingerprint_accumulator.cpp
    engine/memory_site_list.cpp
    engine/page_blocks.cpp
    engine/page_probe.cpp
    engine/reachable_address.cpp
    engine/site_entry.cpp
    engine/site_status.cpp
)
