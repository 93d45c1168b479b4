target_sources(kestrel_ui PRIVATE
  ui/dialog.h ui/dialog.cpp
  ui/dialog1.h ui/dialog1.cpp
  ui/dialog2.h ui/dialog2.cpp ui/frmroughin_history.cpp
  ui/operatordialogs.h ui/operatordialogs.cpp
  ui/entrybox.h ui/entrybox.cpp
  ui/lamp.h ui/lamp.cpp
  ui/gridview.h ui/gridview.cpp
  ui/renderlater.h
  ui/valueframe.h ui/valueframe.cpp
  ui/productmenu.h ui/productmenu.cpp
  ui/maintenancemenu.h ui/maintenancemenu.cpp
  ui/monitor.h ui/monitor.cpp
  ui/curvewindow.h ui/curvewindow.cpp
  ui/chart.h ui/chart.cpp
  ui/staticchart.h ui/staticchart.cpp
  ui/texts.h
  ui/crcframe.h ui/crcframe.cpp
  ui/aboutmenu.h ui/aboutmenu.cpp
  ui/frmroughin.h ui/frmroughin.cpp ui/frmroughin_port.cpp ui/frmroughin_devices.cpp ui/frmroughin_products.cpp
  ui/frmroughin_timed.cpp ui/frmroughin_console.cpp ui/frmroughin_address.cpp
)
