target_sources(kestrel_core PRIVATE
  polling/texts.h
  polling/polling.h polling/polling.cpp
)
