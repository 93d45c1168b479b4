target_sources(kestrel_core PRIVATE
  recording/readingbuffer.h
  recording/timedbuffer.h
  recording/texts.h
  recording/recorddb.h recording/recorddb.cpp recording/readingpages.cpp
  recording/engine.h recording/dbconnection.h recording/dbconnection.cpp recording/pgengine.cpp
  recording/maintenance.cpp
  recording/timetext.h recording/timetext.cpp
  recording/readinglog.h recording/readinglog.cpp
  recording/pendingstore.h recording/pendingstore.cpp
  recording/rowwriter.h recording/rowwriter.cpp
  recording/rescuefile.h recording/rescuefile.cpp
  recording/recordfile.h recording/recordfile.cpp
)
