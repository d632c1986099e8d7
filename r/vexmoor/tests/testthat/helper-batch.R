# The batch front end the package is compared with: VEXMOOR_BATCH names it
# (./test.sh sets it); without it, the comparisons are skipped.
batch_binary <- function() {
  b <- Sys.getenv("VEXMOOR_BATCH")
  skip_if(!nzchar(b) || !file.exists(b), "VEXMOOR_BATCH names no vexmoor-batch")
  b
}

batch <- function(args) {
  err <- tempfile()
  out <- suppressWarnings(system2(batch_binary(), shQuote(args), stdout = TRUE, stderr = err))
  status <- attr(out, "status")
  list(out = paste(out, collapse = "\n"), err = paste(readLines(err), collapse = "\n"),
       status = if (is.null(status)) 0L else status)
}

extdata <- function(file) system.file("extdata", file, package = "vexmoor")
gorf <- extdata("gorf.txt")
gorm <- extdata("gorm.txt")
macf <- extdata("macf.txt")
macm <- extdata("macm.txt")
