# Every analysis: the R result is the batch run's JSON document to the last
# digit, its text prints as the batch prints it, and the replicates are the
# batch's replicate file (the very doubles; R's own reading of its digits
# may miss the last bit).
test_that("results equal the batch front end's for every analysis", {
  runs <- list(
    list(f = function(...) angle_between(..., k = 2), args = c("DoMezeyAngle", "-k", "2")),
    list(f = function(...) cpc(...), args = "RunCPC"),
    list(f = function(...) cpc(..., pcs = 3), args = c("RunCPC", "--pcs", "3")),
    list(f = function(...) components(..., k = 2), args = c("PrincipalComponents", "-k", "2")),
    list(f = function(...) resample(..., test = "bootstrap", k = 2, seed = 7),
         args = c("BootMezeyAngle", "-k", "2", "--seed", "7")),
    list(f = function(...) resample(..., test = "boot_range", k = 2, seed = 7),
         args = c("BootConMezeyAngle", "-k", "2", "--seed", "7")),
    list(f = function(...) resample(..., test = "range", k = 2, seed = 7),
         args = c("RangeMezeyAngle", "-k", "2", "--seed", "7")),
    list(f = function(...) resample(..., test = "shuffle", k = 1, seed = 7),
         args = c("PermuteMezeyAngle", "-k", "1", "--seed", "7")),
    list(f = function(...) resample(..., test = "randomization", k = 1, seed = 7),
         args = c("RandMezeyAngle", "-k", "1", "--seed", "7")))
  sets <- list(two_d = list(files = c(gorf, gorm), r = list(), extra = character()),
               raw = list(files = c(gorf, gorm), r = list(partial_warps = FALSE), extra = "--raw"),
               three_d = list(files = c(macf, macm), r = list(), extra = "--3d"),
               three_groups = list(files = c(gorf, gorm, gorf), r = list(), extra = character()))
  for (set in names(sets)) {
    s <- sets[[set]]
    if (set == "three_groups") {
      # Three groups need three files: the third is a copy under another name.
      third <- file.path(tempdir(), "third.txt")
      file.copy(gorf, third, overwrite = TRUE)
      s$files[3] <- third
    }
    groups <- lapply(s$files, read_group, dim = if (set == "three_d") 3 else NULL)
    for (run in runs) {
      args <- c(run$args[1], s$files, run$args[-1], s$extra)
      expected <- batch(args)
      if (expected$status != 0L) {
        # What the batch refuses, R refuses with the same message, in
        # arguments' words.
        message <- sub("(--pcs)", "(argument pcs)", sub("^error: ", "", expected$err), fixed = TRUE)
        expect_error(do.call(run$f, c(groups, s$r)), message, fixed = TRUE, class = "vexmoor_error")
        next
      }
      result <- do.call(run$f, c(groups, s$r))
      expect_equal(capture.output(print(result)), strsplit(expected$out, "\n")[[1]],
                   info = paste(set, run$args[1]))
      document <- vexmoor:::.vx_parse_json(batch(c(args, "--json"))$out)
      # The tables' group names are R's own addition.
      result$tables <- lapply(result$tables, unname)
      expect_identical(unclass(result)[names(document)], document, info = paste(set, run$args[1]))
      if (!is.null(result$replicates)) {
        csv <- tempfile(fileext = ".csv")
        batch(c(args, "--replicates", csv))
        expect_equal(result$replicates, read.csv(csv, check.names = FALSE),
                     tolerance = 4 * .Machine$double.eps, info = paste(set, run$args[1]))
      }
    }
  }
})

test_that("arrays, matrices and one array split by groups give the files' numbers", {
  f <- read_group(gorf)
  m <- read_group(gorm)
  from_files <- angle_between(f, m, k = 2)
  expect_equal(dim(f$coords), c(8L, 2L, 30L))
  expect_identical(angle_between(f$coords, m$coords, k = 2)$text, from_files$text)
  rows <- function(a) t(apply(a, 3, function(s) as.vector(t(s))))
  expect_identical(angle_between(rows(f$coords), rows(m$coords), k = 2)$observed,
                   from_files$observed)
  all <- array(c(f$coords, m$coords), dim = c(8, 2, 59))
  split <- angle_between(all, groups = rep(c("female", "male"), c(30, 29)), k = 2)
  expect_identical(split$observed, from_files$observed)
  expect_identical(split$groups[[2]]$name, "male")
  three <- angle_between(list(a = f, b = m, c = f), k = 2)
  expect_equal(dim(three$tables$angle), c(3L, 3L))
  expect_identical(read_group(macf, dim = 3)$coords, read_group(macf, dim = 3)$coords)
})

test_that("seeds repeat runs, and a run without one reports the seed it used", {
  f <- read_group(gorf)
  m <- read_group(gorm)
  a <- resample(f, m, test = "shuffle", k = 2, seed = "18446744073709551615")
  expect_identical(a$settings$seed, "18446744073709551615")
  expect_identical(resample(f, m, test = "shuffle", k = 2, seed = "18446744073709551615")$replicates,
                   a$replicates)
  fresh <- resample(f, m, test = "bootstrap", k = 2)
  again <- resample(f, m, test = "bootstrap", k = 2, seed = fresh$settings$seed)
  expect_identical(again$replicates, fresh$replicates)
  # The number of threads changes no number.
  expect_identical(resample(f, m, test = "range", k = 2, seed = 3, threads = 1)$replicates,
                   resample(f, m, test = "range", k = 2, seed = 3, threads = 2)$replicates)
})

# A TPS landmark of -999 is missing: refused as the batch refuses it, or
# left out with drop_incomplete, the run then the batch's --drop-incomplete.
test_that("specimens with missing values are refused or left out as the batch does", {
  f <- read_group(gorf)
  tps <- tempfile(fileext = ".tps")
  lines <- unlist(lapply(seq_len(dim(f$coords)[3]), function(i) {
    xy <- f$coords[, , i]
    if (i == 2) xy[3, ] <- -999
    c("LM=8", apply(xy, 1, paste, collapse = " "), paste0("ID=s", i))
  }))
  writeLines(lines, tps)
  refusal <- tryCatch(read_group(tps), vexmoor_error = conditionMessage)
  expect_identical(refusal, sub("^error: ", "", batch(c("DoMezeyAngle", tps, gorm, "-k", "2"))$err))
  g <- read_group(tps, drop_incomplete = TRUE)
  expect_equal(dim(g$coords)[3], 29L)
  expect_identical(g$dropped$identifier, "s2")
  expect_identical(g$dropped$landmarks[[1]], 3L)
  result <- angle_between(g, read_group(gorm), k = 2)
  args <- c("DoMezeyAngle", tps, gorm, "-k", "2", "--drop-incomplete")
  expect_equal(capture.output(print(result)), strsplit(batch(args)$out, "\n")[[1]])
  document <- vexmoor:::.vx_parse_json(batch(c(args, "--json"))$out)
  expect_identical(unclass(result)[names(document)], document)
  expect_error(read_group(tps, drop_incomplete = NA), "drop_incomplete must be TRUE or FALSE")
})

test_that("the covariance analyses equal the batch front end's", {
  f <- read_group(gorf)
  m <- read_group(gorm)
  runs <- list(
    list(r = relative_eigen(f, m, pcs = 4, v = 1, seed = 3),
         args = c("RelativeEigenanalysis", "--pcs", "4", "-v", "1", "--seed", "3")),
    list(r = covariance_distances(f, m, log_euclidean = TRUE, total_pcs = 5),
         args = c("CovarianceDistances", "--log-euclidean", "--total-pcs", "5")),
    list(r = random_skewers(f, m, mean_angle = TRUE, seed = 3, threads = 1),
         args = c("RandomSkewers", "--mean-angle", "--seed", "3")),
    list(r = matrix_correlation(f, m, diagonal = TRUE, v = 1, seed = 3),
         args = c("MatrixCorrelation", "--diagonal", "-v", "1", "--seed", "3")),
    list(r = common_subspace(f, m, k = 2),
         args = c("CommonSubspace", "-k", "2")))
  for (run in runs) {
    args <- c(run$args[1], gorf, gorm, run$args[-1])
    expect_equal(capture.output(print(run$r)), strsplit(batch(args)$out, "\n")[[1]],
                 info = run$args[1])
    document <- vexmoor:::.vx_parse_json(batch(c(args, "--json"))$out)
    expect_identical(unclass(run$r)[names(document)], document, info = run$args[1])
    pdf(NULL)
    expect_silent(plot(run$r))
    dev.off()
  }
  expect_error(relative_eigen(f, m, pcs = 4, total_pcs = 4), "total", class = "vexmoor_error")
  expect_error(common_subspace(f, m), "needs k", class = "vexmoor_error")
})

# The published Tropheus example (VEXMOOR_EXAMPLES names the repository's
# examples folder): six populations, each one's covariance the mean of its
# females' and males'.
test_that("within pools the sub-groups as the published example does", {
  csv <- file.path(Sys.getenv("VEXMOOR_EXAMPLES"), "tropheus", "tropheus_tangent.csv")
  skip_if(!nzchar(Sys.getenv("VEXMOOR_EXAMPLES")) || !file.exists(csv), "no examples folder")
  fish <- utils::read.csv(csv)
  coords <- as.matrix(fish[, grep("^[XY][0-9]+$", names(fish))])
  run <- function(...) relative_eigen(coords, groups = fish$POP.ID, partial_warps = FALSE,
                                      total_pcs = 5, reference = "IKS5", ...)
  r <- run(within = fish$Sex)
  pair <- r$relative_eigenanalysis[[1]]
  expect_identical(unlist(pair$groups), c("IKA1", "IKS5"))
  expect_equal(unlist(pair$eigenvalues),
               c(2.2960882, 1.2136310, 0.9969975, 0.6280469, 0.4872470), tolerance = 1e-7)
  expect_equal(pair$proportionality$p, 0.01982876, tolerance = 1e-6)
  expect_match(capture.output(print(r))[3], "sub-groups' (as given)", fixed = TRUE)
  expect_error(run(within = fish$Sex[-1]), "510 sub-group labels for 511", class = "vexmoor_error")
  expect_error(run(within = replace(fish$Sex, 3, NA)), "specimen 3 of the data",
               class = "vexmoor_error")
})
