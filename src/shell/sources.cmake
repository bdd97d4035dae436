# Plain (Qt-free) sources of this folder go into orvalis_core.
target_sources(orvalis_core PRIVATE
    shell/command_line.cpp
    shell/memory_profile_store.cpp
    shell/profile.cpp
    shell/terms_of_use.cpp
)
