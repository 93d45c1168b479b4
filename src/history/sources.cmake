target_sources(kestrel_core PRIVATE
  history/texts.h
  history/historyquery.h history/historyquery.cpp
  history/historymodel.h history/historymodel.cpp
  history/historyexport.h history/historyexport.cpp
)
