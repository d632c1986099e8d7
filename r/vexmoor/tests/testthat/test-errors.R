# Failures are R conditions of class vexmoor_error with the batch's message.
test_that("errors carry the batch front end's message", {
  gorf <- extdata("gorf.txt")
  gorm <- extdata("gorm.txt")
  bad <- tempfile(fileext = ".txt")
  writeLines(c("1 2 3 4 5 6 7", "1 2 x 4 5 6 7"), bad)
  message_of <- function(expr) tryCatch({ expr; "<no error>" }, vexmoor_error = conditionMessage)
  batch_message <- function(args) sub("^error: ", "", batch(args)$err)
  expect_identical(message_of(read_group(bad)), batch_message(c("DoMezeyAngle", bad, gorm, "-k", "1")))
  f <- read_group(gorf)
  m <- read_group(gorm)
  for (k in c("20", "0", "x")) {
    expect_identical(message_of(angle_between(f, m, k = k)),
                     batch_message(c("DoMezeyAngle", gorf, gorm, "-k", k)))
  }
  expect_identical(message_of(resample(f, m, k = 2, v = 101, seed = 1)),
                   batch_message(c("BootMezeyAngle", gorf, gorm, "-k", "2", "-v", "101")))
  expect_error(angle_between(f, k = 2), class = "vexmoor_error")
  expect_error(angle_between(f$coords[, , 1:5], m$coords, k = 2, groups = 1:3), class = "vexmoor_error")
  nan <- f$coords
  nan[1, 1, 2] <- NaN
  expect_error(angle_between(nan, m, k = 2), "specimen 2, coordinate 1: NaN", class = "vexmoor_error")
  expect_error(angle_between(matrix(1, 5, 5), m, k = 2), class = "vexmoor_error")
  expect_error(angle_between(f, m, k = 2, dim = 3), class = "vexmoor_error")
})

# An interrupt while a long run goes on: the run stops within a second and
# R gets a condition saying so.
test_that("an interrupt stops a run and leaves R responsive", {
  skip_on_os("windows")
  f <- read_group(extdata("gorf.txt"))
  m <- read_group(extdata("gorm.txt"))
  system(sprintf("(sleep 1; kill -INT %d) >/dev/null 2>&1 &", Sys.getpid()))
  started <- Sys.time()
  caught <- tryCatch(resample(f, m, test = "range", k = 2, v = 100, seed = 1, progress = FALSE),
                     vexmoor_interrupted = function(e) e)
  expect_s3_class(caught, "vexmoor_interrupted")
  expect_lt(as.numeric(Sys.time() - started, units = "secs"), 10)
  expect_identical(angle_between(f, m, k = 2)$observed$angle > 0, TRUE)
})
