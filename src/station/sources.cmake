target_sources(kestrel_core PRIVATE
  station/station.h station/station.cpp
)
