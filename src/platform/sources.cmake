# Plain (Qt-free) sources of this folder go into orvalis_core.
target_sources(orvalis_core PRIVATE
    platform/event_set.cpp
    platform/host_name.cpp
    platform/http_client.cpp
    platform/local_address.cpp
    platform/tcp_stream.cpp
    platform/thread_start.cpp
    platform/tls_stream.cpp
    platform/wait_cancel.cpp
)
