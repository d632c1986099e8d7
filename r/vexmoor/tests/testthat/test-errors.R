# Failures are R conditions of class vexmoor_error with the batch's message.
test_that("errors carry the batch front end's message", {
  gorf <- extdata("gorf.txt")
  gorm <- extdata("gorm.txt")
  bad <- tempfile(fileext = ".txt")
  writeLines(c("1 2 3 4 5 6 7", "1 2 x 4 5 6 7"), bad)
  message_of <- function(expr) tryCatch({ expr; "<no error>" }, vexmoor_error = conditionMessage)
  # The batch names its option where R names its argument.
  batch_message <- function(args) {
    sub("^option -([a-z]+): ", "argument \\1: ", sub("^error: ", "", batch(args)$err))
  }
  expect_identical(message_of(read_group(bad)), batch_message(c("DoMezeyAngle", bad, gorm, "-k", "1")))
  f <- read_group(gorf)
  m <- read_group(gorm)
  expect_identical(message_of(angle_between(f, m, k = 20)),
                   batch_message(c("DoMezeyAngle", gorf, gorm, "-k", "20")))
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
# R gets its interrupt condition, which no error handler takes.
test_that("an interrupt stops a run and leaves R responsive", {
  skip_on_os("windows")
  f <- read_group(extdata("gorf.txt"))
  m <- read_group(extdata("gorm.txt"))
  system(sprintf("(sleep 1; kill -INT %d) >/dev/null 2>&1 &", Sys.getpid()))
  started <- Sys.time()
  caught <- tryCatch(resample(f, m, test = "range", k = 2, v = 100, seed = 1, progress = FALSE),
                     error = function(e) e, vexmoor_interrupted = function(e) e)
  expect_s3_class(caught, c("vexmoor_interrupted", "interrupt", "condition"), exact = TRUE)
  expect_lt(as.numeric(Sys.time() - started, units = "secs"), 10)
  expect_identical(angle_between(f, m, k = 2)$observed$angle > 0, TRUE)
})

test_that("an interrupt ends a read that waits for its file", {
  skip_on_os("windows")
  fifo <- tempfile()
  closed <- tempfile()
  system2("mkfifo", fifo)
  # A writer that opens the FIFO and writes nothing for 5 s: the read waits.
  system(sprintf("(exec 3> %s; sleep 5; exec 3>&-; touch %s) >/dev/null 2>&1 &",
                 shQuote(fifo), shQuote(closed)))
  system(sprintf("(sleep 0.5; kill -INT %d) >/dev/null 2>&1 &", Sys.getpid()))
  caught <- tryCatch(read_group(fifo), error = function(e) e, interrupt = function(e) e)
  expect_s3_class(caught, "interrupt")
  expect_false(inherits(caught, "error"))
  expect_false(file.exists(closed))  # the read ended before its file did
})

test_that("arguments take exactly their documented type, in the arguments' words", {
  f <- read_group(extdata("gorf.txt"))
  m <- read_group(extdata("gorm.txt"))
  for (bad in list(NA, "no", 0, "FALSE", 1, "TRUE", c(TRUE, TRUE))) {
    expect_error(angle_between(f, m, k = 2, partial_warps = bad),
                 "partial_warps must be TRUE or FALSE", class = "vexmoor_error")
  }
  for (bad in list(TRUE, "3", c(1, 2), NA_real_)) {
    expect_error(angle_between(f, m, k = bad), "k must be a whole number; it is ",
                 class = "vexmoor_error")
  }
  expect_error(angle_between(f, m, k = 2.5), "argument k: the number of components must be a whole number from 1 to the number of shape variables; 2.5 is not a whole number", fixed = TRUE)
  expect_error(resample(f, m, k = 2, v = "3"), 'it is the text "3"', fixed = TRUE)
  expect_error(resample(f, m, k = 2, seed = 2^60), "argument seed: .* give it as text")
  expect_identical(resample(f, m, k = 2, seed = "1")$text, resample(f, m, k = 2, seed = 1L)$text)
  expect_error(resample(f, m, k = 2, threads = 0), "argument threads: the ", class = "vexmoor_error")
  expect_error(resample(f, m, k = 2, test = "boot"), "test must be one of", class = "vexmoor_error")
  for (bad in list(7, 0, -2, NA)) {
    expect_error(read_group(extdata("gorf.txt"), dim = bad), "dim must be 2 or 3",
                 class = "vexmoor_error")
  }
  three <- array(runif(150), c(5, 3, 10))
  expect_error(angle_between(three, three, k = 1, dim = 2), "dim = 2 contradicts group 1",
               class = "vexmoor_error")
  expect_error(angle_between(f, m), "angle_between needs k, the number of principal components",
               class = "vexmoor_error")
  expect_error(angle_between(f, m$coords[1:7, , ], k = 1), "holds 7 landmarks",
               class = "vexmoor_error")
  expect_error(cpc(f$coords[, , 1:5], m), "(argument pcs)", fixed = TRUE)
})

test_that("inputs are taken as given or refused", {
  f <- read_group(extdata("gorf.txt"))
  m <- read_group(extdata("gorm.txt"))
  expect_error(angle_between(list(a = f, a = m), k = 2), 'both named "a"', class = "vexmoor_error")
  all <- array(c(f$coords, m$coords), dim = c(8, 2, 59))
  sex <- rep(c("female", "male"), c(30, 29))
  expect_error(angle_between(all, groups = replace(sex, 2, NA), k = 2),
               "specimen 2 no group (NA)", fixed = TRUE, class = "vexmoor_error")
  # A Procrustes fit (as geomorph's gpagen keeps it) is a group by its coords.
  fit <- function(coords) structure(list(coords = coords, Csize = rep(1, dim(coords)[3])),
                                    class = "gpagen")
  expected <- angle_between(f, m, k = 2)$observed
  expect_identical(angle_between(fit(f$coords), fit(m$coords), k = 2)$observed, expected)
  expect_identical(angle_between(fit(all), groups = sex, k = 2)$observed, expected)
  expect_error(angle_between(f, list(Csize = 1), k = 2), "holds the array coords",
               class = "vexmoor_error")
})

test_that("the session's BLAS threads are left as they were", {
  before <- vexmoor:::.vx_blas_threads()
  skip_if(before < 2, "OpenBLAS runs one thread here")
  f <- read_group(extdata("gorf.txt"))
  m <- read_group(extdata("gorm.txt"))
  resample(f, m, test = "range", k = 2, seed = 1)
  expect_identical(vexmoor:::.vx_blas_threads(), before)
})
