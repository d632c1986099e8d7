library(testthat)
library(vexmoor)
test_check("vexmoor")
