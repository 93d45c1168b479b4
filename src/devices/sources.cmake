target_sources(kestrel_core PRIVATE
  devices/devicetable.h
  devices/devicegrid.h devices/devicegrid.cpp
  devices/settingstexts.h
  devices/pollsettings.h devices/pollsettings.cpp
  devices/configfile.h devices/configfile.cpp
)
