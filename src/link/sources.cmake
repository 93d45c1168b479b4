target_sources(kestrel_core PRIVATE
  link/texts.h
  link/crc16.h link/crc16.cpp
  link/frames.h link/frames.cpp
  link/bytetransport.h
  link/serialcontrols.h
  link/serialport.h
  link/qtserialport.h link/qtserialport.cpp
  link/portmap.h link/portmap.cpp
  link/tcptransport.h link/tcptransport.cpp
  link/busport.h link/busport.cpp
  link/exchange.h link/exchange.cpp
  link/checkinput.h link/checkinput.cpp
  link/portcontrol.h link/portcontrol.cpp
  link/porterrors.h link/porterrors.cpp
  link/trafficrecord.h link/trafficrecord.cpp
  link/traffic.h link/traffic.cpp
  link/trafficmodel.h link/trafficmodel.cpp
)
