target_sources(kestrel_core PRIVATE
  station/station.h station/station.cpp
  station/commissioning.h station/commissioning.cpp
)
