# Plain (Qt-free) sources of this folder go into orvalis_core.
target_sources(orvalis_core PRIVATE
    shell/autostart_entry.cpp
    shell/command_line.cpp
    shell/memory_profile_store.cpp
    shell/profile.cpp
    shell/settings_transfer.cpp
    shell/terms_of_use.cpp
)
