target_sources(orvalis_core PRIVATE
    platform/event_set.cpp
)
