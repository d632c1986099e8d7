# Writes two-dimensional landmark groups of the R package shapes as landmark
# data files (x1 y1 ... xk yk, then the centroid size; one specimen a line),
# with 17 significant digits so that they read back to the identical doubles.
#
#   Rscript export_shapes_2d.R OUTPUT_FOLDER
suppressWarnings(suppressMessages(library(shapes)))

args <- commandArgs(trailingOnly = TRUE)
if (length(args) != 1) stop("usage: Rscript export_shapes_2d.R OUTPUT_FOLDER")
out <- args[1]
dir.create(out, showWarnings = FALSE, recursive = TRUE)

write_group <- function(a, name) {
  # a: k x 2 x n landmark array
  n <- dim(a)[3]
  lines <- character(n)
  for (i in seq_len(n)) {
    p <- a[, , i]
    centred <- sweep(p, 2, colMeans(p))
    cs <- sqrt(sum(centred^2))
    v <- c(as.vector(t(p)), cs)
    lines[i] <- paste(sprintf("%.17g", v), collapse = " ")
  }
  writeLines(lines, file.path(out, paste0(name, ".txt")))
}

get_data <- function(name) {
  e <- new.env()
  data(list = name, package = "shapes", envir = e)
  get(ls(e)[1], envir = e)
}

for (name in c("panf", "panm", "pongof", "pongom", "qcet2", "qlet2", "qset2")) {
  write_group(get_data(paste0(name, ".dat")), name)
}
schiz <- get_data("schizophrenia")
write_group(schiz$x[, , schiz$group == "con"], "schizo_con")
write_group(schiz$x[, , schiz$group == "scz"], "schizo_scz")
rats <- get_data("rats")
write_group(rats$x[, , rats$time == 7], "rats_day7")
write_group(rats$x[, , rats$time == 150], "rats_day150")
digits <- get_data("digit3.dat")
write_group(digits[, , 1:15], "digit3_a")
write_group(digits[, , 16:30], "digit3_b")
