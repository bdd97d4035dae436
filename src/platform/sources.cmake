target_sources(orvalis_core PRIVATE
    platform/http_client.cpp
    platform/local_address.cpp
)
