# Writes the landmark groups of the resampling cross-check, from Debian's
# r-cran-shapes, as Vexmoor landmark data files: one specimen per line,
# x1 y1 ... xk yk, then the centroid size.
#   Rscript resampling_export_groups.R OUTPUT_DIR
Sys.setenv(RGL_USE_NULL = "TRUE")  # shapes loads rgl, which wants a display
suppressMessages(library(shapes))
args <- commandArgs(trailingOnly = TRUE)
out <- if (length(args) >= 1) args[1] else "."
dir.create(out, showWarnings = FALSE, recursive = TRUE)

write_group <- function(a, file) {
  lines <- apply(a, 3, function(s) {
    centred <- sweep(s, 2, colMeans(s))
    cs <- sqrt(sum(centred^2))
    paste(sprintf("%.17g", c(t(s), cs)), collapse = " ")
  })
  writeLines(lines, file.path(out, file))
}

data(mice)  # 6 landmarks; control, large and small selection lines
write_group(mice$x[, , mice$group == "c"], "mice_control.txt")
write_group(mice$x[, , mice$group != "c"], "mice_selected.txt")
data(apes)  # 8 landmarks; three of the coordinates are fixed by the digitising frame
write_group(apes$x[, , apes$group == "panf"], "pan_female.txt")
write_group(apes$x[, , apes$group == "panm"], "pan_male.txt")
