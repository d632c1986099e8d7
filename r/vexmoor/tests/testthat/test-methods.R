# summary(), as.data.frame() and plot() take the result's own data apart.
gorf_group <- read_group(gorf)
gorm_group <- read_group(gorm)

test_that("tidy tables hold the result's numbers, one row per statistic, replicate or pair", {
  r <- resample(female = gorf_group, male = gorm_group, test = "range", k = 2, seed = 5,
                threads = 2)
  s <- as.data.frame(r)
  p <- s[s$kind == "p_value", ]
  expect_identical(p$statistic, vapply(r$p_values, function(x) x$name, ""))
  expect_identical(p$value, vapply(r$p_values, function(x) x$p, 0))
  i <- s[s$kind == "percentile", ]
  expect_identical(i$level, vapply(r$intervals, function(x) x$level, 0))
  expect_identical(s$value[s$statistic == "angle" & s$kind == "observed"], r$observed$angle)
  expect_identical(as.data.frame(r, what = "replicates"), r$replicates)
  pairs <- as.data.frame(r, what = "pairs")
  expect_identical(unlist(pairs[, c("group1", "group2")], use.names = FALSE), c("female", "male"))
  expect_error(as.data.frame(r, what = "models"), "no models", class = "vexmoor_error")

  three <- resample(list(a = gorf_group, b = gorm_group, c = gorf_group), test = "shuffle",
                    k = 1, seed = 5, threads = 2)
  expect_identical(dimnames(three$tables$angle), list(c("a", "b", "c"), c("a", "b", "c")))
  pairs <- as.data.frame(three, what = "pairs")
  expect_identical(paste(pairs$group1, pairs$group2), c("a b", "a c", "b c"))
  expect_identical(pairs$angle[2], three$tables$angle["a", "c"])
  per_pair <- as.data.frame(three)
  expect_identical(unique(paste(per_pair$group1, per_pair$group2)), c("a b", "a c", "b c"))

  h <- as.data.frame(cpc(gorf_group, gorm_group), what = "models")
  expect_equal(sum(h$weight), 1, tolerance = 1e-9)
  expect_identical(h$model[c(1, nrow(h))], c("Equal Variance", "Independent Variance"))

  pc <- components(gorf_group, gorm_group, k = 2)
  scores <- as.data.frame(pc, what = "scores")
  expect_identical(nrow(scores), 59L)
  expect_identical(scores$PC2[31], pc$scores[[31]]$own[2])
  shares <- as.data.frame(pc, what = "components")
  expect_identical(shares$cumulative_share[shares$group == "group 2"],
                   pc$components[[2]]$cumulative_shares)
})

test_that("summary and plot work on every analysis, plot draws each pair on request", {
  pdf(NULL)
  on.exit(dev.off())
  results <- list(angle_between(gorf_group, gorm_group, k = 2),
                  resample(gorf_group, gorm_group, test = "bootstrap", k = 2, seed = 1,
                           threads = 2),
                  cpc(gorf_group, gorm_group), components(gorf_group, gorm_group, k = 2),
                  angle_between(list(a = gorf_group, b = gorm_group, c = gorf_group), k = 2))
  for (r in results) {
    expect_output(print(summary(r)), r$action, fixed = TRUE)
    expect_identical(plot(r), r)
  }
  three <- resample(list(a = gorf_group, b = gorm_group, c = gorf_group), test = "shuffle",
                    k = 1, seed = 5, threads = 2)
  expect_identical(plot(three, pair = 3), three)
  expect_error(plot(three, pair = 4), "pair must be a whole number from 1 to 3",
               class = "vexmoor_error")
})
