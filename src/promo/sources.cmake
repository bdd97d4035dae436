# Plain (Qt-free) sources of this folder go into orvalis_core.
target_sources(orvalis_core PRIVATE
    promo/branding_record.cpp
    promo/free_gift.cpp
)
