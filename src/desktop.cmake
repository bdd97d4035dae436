# orvalis_desktop (Qt widgets, tray, QSettings backend) and the orvalis-pro program are added here
# once the desktop layer exists.
