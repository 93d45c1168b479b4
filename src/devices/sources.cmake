target_sources(kestrel_core PRIVATE
  devices/devicetable.h devices/devicetable.cpp
  devices/texts.h
  devices/registry.h devices/registry.cpp
  devices/devicegrid.h devices/devicegrid.cpp
  devices/pollsettings.h devices/pollsettings.cpp
  devices/configfile.h devices/configfile.cpp
)
