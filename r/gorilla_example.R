# The gorilla example as a user runs it after installing the package; it
# stops on any failure. Run by r/check_package.sh.
library(vexmoor)
gorf <- read_group(system.file("extdata", "gorf.txt", package = "vexmoor"))
gorm <- read_group(system.file("extdata", "gorm.txt", package = "vexmoor"))
a <- angle_between(female = gorf, male = gorm, k = 2)
print(a)
r <- resample(female = gorf, male = gorm, test = "range", k = 2, seed = 1, threads = 2)
print(subset(as.data.frame(r), kind == "p_value"))
pdf(file.path(tempdir(), "gorilla.pdf"))
plot(r)
plot(components(female = gorf, male = gorm, k = 2))
plot(cpc(female = gorf, male = gorm))
invisible(dev.off())
# The range test computes its observed angle along its own path: the same
# to the printed digits.
stopifnot(abs(r$observed$angle - a$observed$angle) < 0.005, nrow(r$replicates) == 100)
options(rgl.useNULL = TRUE)  # shapes loads rgl, which needs no display here
if (requireNamespace("shapes", quietly = TRUE)) {
  s <- angle_between(female = shapes::gorf.dat, male = shapes::gorm.dat, k = 2)
  stopifnot(abs(s$observed$angle - a$observed$angle) < 1e-6)
}
cat("the gorilla example ran\n")
