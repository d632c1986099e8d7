# The gorilla skulls as the shapes package holds them (arrays of landmarks x
# dimensions x specimens) give the batch front end's angle on the same
# specimens read from files.
test_that("the shapes package's gorilla arrays give the batch's angle", {
  old <- options(rgl.useNULL = TRUE)  # shapes loads rgl, which needs no display here
  on.exit(options(old))
  skip_if_not_installed("shapes")
  document <- vexmoor:::.vx_parse_json(batch(c("DoMezeyAngle", gorf, gorm, "-k", "2",
                                               "--json"))$out)
  r <- angle_between(female = shapes::gorf.dat, male = shapes::gorm.dat, k = 2)
  expect_equal(r$observed$angle, document$observed$angle, tolerance = 1e-10)
  expect_equal(r$observed$metric, document$observed$metric, tolerance = 1e-10)
})
