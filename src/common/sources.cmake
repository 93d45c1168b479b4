target_sources(kestrel_core PRIVATE
  common/operator.h
  common/loggingoperator.h common/loggingoperator.cpp
  common/tr8.h
  common/result.h
  common/numeric.h common/numeric.cpp
  common/textfile.h common/textfile.cpp
  common/safefile.h common/safefile.cpp
  common/twips.h
  common/log.h common/log.cpp
  common/datafolder.h common/datafolder.cpp
  common/clock.h common/clock.cpp
  common/language.h common/language.cpp
)
