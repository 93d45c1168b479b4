target_sources(kestrel_ui PRIVATE
  ui/operatordialogs.h ui/operatordialogs.cpp
  ui/lamp.h ui/lamp.cpp
  ui/frmroughin.h ui/frmroughin.cpp ui/frmroughin_port.cpp
)
