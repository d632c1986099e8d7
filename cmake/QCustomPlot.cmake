# QCustomPlot's Qt 6 build, found once and wrapped as one target.
find_package(Qt6 REQUIRED COMPONENTS PrintSupport)
find_package(QCustomPlotQt6 REQUIRED)
if(NOT TARGET Vexmoor::QCustomPlot)
  add_library(Vexmoor::QCustomPlot INTERFACE IMPORTED)
  target_link_libraries(Vexmoor::QCustomPlot INTERFACE QCustomPlotQt6::QCustomPlotQt6)
  target_compile_definitions(Vexmoor::QCustomPlot INTERFACE QCUSTOMPLOT_USE_LIBRARY)
endif()
