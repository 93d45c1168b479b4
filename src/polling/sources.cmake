target_sources(kestrel_core PRIVATE
  polling/texts.h
  polling/countdown.h polling/countdown.cpp
  polling/polling.h polling/polling.cpp
  polling/timedreading.h polling/timedreading.cpp
)
