target_sources(orvalis_core PRIVATE
    engine/memory_site_list.cpp
    engine/site_entry.cpp
    engine/site_status.cpp
)
