target_sources(kestrel_core PRIVATE
  products/panel.h products/panel.cpp
)
