target_sources(orvalis_core PRIVATE
    platform/event_set.cpp
    platform/http_client.cpp
    platform/local_address.cpp
)
