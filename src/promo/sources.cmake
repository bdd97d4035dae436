# Plain (Qt-free) sources of this folder go into orvalis_core.
