target_sources(kestrel_core PRIVATE
  products/panel.h products/panel.cpp
  products/texts.h
  products/catalogue.h products/catalogue.cpp
  products/productside.h products/productside.cpp
)
