target_sources(kestrel_core PRIVATE
  console/texts.h
  console/crcconsole.h console/crcconsole.cpp
)
