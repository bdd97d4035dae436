# Plain (Qt-free) sources of this folder go into orvalis_core.
target_sources(orvalis_core PRIVATE
    platform/host_name.cpp
    platform/tcp_stream.cpp
)
