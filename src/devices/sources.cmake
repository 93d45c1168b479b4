target_sources(kestrel_core PRIVATE
  devices/devicetable.h devices/devicetable.cpp
  devices/texts.h
  devices/registry.h devices/registry.cpp
  devices/devicegrid.h devices/devicegrid.cpp
  devices/pollsettings.h devices/pollsettings.cpp
  devices/configfile.h devices/configfile.cpp
  devices/commissioninghost.h
  devices/addresscommands.h devices/addresscommands.cpp
  devices/conntest.h devices/conntest.cpp
)
