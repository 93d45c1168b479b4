target_sources(kestrel_core PRIVATE
  recording/readingbuffer.h
  recording/timedbuffer.h
)
