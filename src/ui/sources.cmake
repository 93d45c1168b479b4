target_sources(kestrel_ui PRIVATE
  ui/dummy.cpp
)
