target_sources(kestrel_ui PRIVATE
  ui/dialog.h ui/dialog.cpp
  ui/dialog1.h ui/dialog1.cpp
  ui/operatordialogs.h ui/operatordialogs.cpp
  ui/lamp.h ui/lamp.cpp
  ui/gridview.h ui/gridview.cpp
  ui/valueframe.h ui/valueframe.cpp
  ui/productmenu.h ui/productmenu.cpp
  ui/maintenancemenu.h ui/maintenancemenu.cpp
  ui/frmroughin.h ui/frmroughin.cpp ui/frmroughin_port.cpp ui/frmroughin_devices.cpp ui/frmroughin_products.cpp
  ui/frmroughin_address.cpp
)
