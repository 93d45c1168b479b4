target_sources(kestrel_core PRIVATE
  devices/devicetable.h
  devices/devicegrid.h devices/devicegrid.cpp
)
