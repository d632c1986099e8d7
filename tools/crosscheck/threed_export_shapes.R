# Writes the three-dimensional landmark data sets of the R package "shapes"
# (Debian r-cran-shapes) as landmark data files, split into two groups each:
# x1 y1 z1 ... xk yk zk cs, one specimen a line, cs the centroid size.
#
#   Rscript threed_export_shapes.R OUTDIR
suppressWarnings(suppressMessages(library(shapes)))

args <- commandArgs(trailingOnly = TRUE)
if (length(args) != 1) stop("usage: Rscript threed_export_shapes.R OUTDIR")
out <- args[1]
dir.create(out, showWarnings = FALSE, recursive = TRUE)

write_group <- function(x, file) {
  lines <- apply(x, 3, function(page) {
    centred <- sweep(page, 2, colMeans(page))
    values <- c(as.vector(t(page)), sqrt(sum(centred^2)))
    paste(sprintf("%.17g", values), collapse = " ")
  })
  writeLines(lines, file.path(out, file))
}

data(brains)
b <- brains$x
write_group(b[, , brains$sex == "f", drop = FALSE], "brains_f.txt")
write_group(b[, , brains$sex == "m", drop = FALSE], "brains_m.txt")
write_group(b[, , brains$grp == 1, drop = FALSE], "brains_grp1.txt")
write_group(b[, , brains$grp == 3, drop = FALSE], "brains_grp3.txt")
# Landmark subsets: groups larger than their number of shape variables, so
# that the covariance models are finite.
write_group(b[1:8, , brains$sex == "f", drop = FALSE], "brains8_f.txt")
write_group(b[1:8, , brains$sex == "m", drop = FALSE], "brains8_m.txt")
write_group(b[c(1, 5, 9, 13, 17, 21), , brains$sex == "f", drop = FALSE], "brains6_f.txt")
write_group(b[c(1, 5, 9, 13, 17, 21), , brains$sex == "m", drop = FALSE], "brains6_m.txt")

data(macaques)
m <- macaques$x
write_group(m[, , macaques$group == "f", drop = FALSE], "macaques_f.txt")
write_group(m[, , macaques$group == "m", drop = FALSE], "macaques_m.txt")
