target_sources(kestrel_core PRIVATE
  devices/devicetable.h
)
