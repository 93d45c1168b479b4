target_sources(kestrel_core PRIVATE
  curves/texts.h
  curves/curvebuffers.h curves/curvebuffers.cpp
  curves/plotgeometry.h curves/plotgeometry.cpp
)
