target_sources(orvalis_core PRIVATE)
