kTests <- c(bootstrap = "BootMezeyAngle", boot_range = "BootConMezeyAngle",
            range = "RangeMezeyAngle", shuffle = "PermuteMezeyAngle",
            randomization = "RandMezeyAngle")

components_text <- function(k) {
  if (is.null(k)) return(NULL)
  if (length(k) != 1L || is.na(k)) vexmoor_stop("k must be one number of components")
  if (is.numeric(k)) format(k, scientific = FALSE, digits = 15) else as.character(k)
}

seed_text <- function(seed) {
  if (is.null(seed)) return(NULL)
  if (length(seed) != 1L || is.na(seed)) vexmoor_stop("seed must be one whole number")
  if (is.numeric(seed)) {
    if (seed != floor(seed) || seed < 0 || seed > 2^53) {
      vexmoor_stop("seed must be a whole number from 0 to 2^53, or its digits as a string up to 18446744073709551615")
    }
    return(format(seed, scientific = FALSE))
  }
  as.character(seed)
}

replicate_value <- function(v) {
  if (!is.numeric(v) || length(v) != 1L || is.na(v) || v != floor(v) || v < 1 || v > .Machine$integer.max) {
    vexmoor_stop(paste("v needs a positive whole number; it is", format(v)))
  }
  as.integer(v)
}

pooled_components <- function(pcs) {
  if (is.null(pcs)) return(NULL)
  if (!is.numeric(pcs) || length(pcs) != 1L || is.na(pcs) || pcs != floor(pcs) || pcs < 1 ||
      pcs > .Machine$integer.max) {
    vexmoor_stop(paste("pcs needs a positive whole number; it is", format(pcs)))
  }
  as.integer(pcs)
}

run_analysis <- function(args, action, groups, dim, k = NULL, partial_warps = TRUE,
                         v = 1L, seed = NULL, progress = interactive(), pcs = NULL) {
  input <- input_groups(args, groups, dim)
  three_d <- !is.null(dim) && as.integer(dim) == 3L
  settings <- list(action = action, three_d = three_d, partial_warps = isTRUE(partial_warps),
                   k = components_text(k), v = replicate_value(v), seed = seed_text(seed),
                   pcs = pooled_components(pcs))
  r <- checked(.vx_run(input$groups, input$named, settings, isTRUE(progress)))
  if (isTRUE(r$interrupted)) {
    vexmoor_stop("interrupted by the user; the analysis stopped and no result was kept",
                 "vexmoor_interrupted")
  }
  for (w in r$warnings) warning(w, call. = FALSE)
  result <- .vx_parse_json(r$json)
  if (nzchar(r$note)) result$note <- r$note
  if (nzchar(r$replicates)) {
    result$replicates <- read.csv(text = r$replicates, check.names = FALSE,
                                  stringsAsFactors = FALSE)
  }
  class(result) <- "vexmoor_result"
  result
}

angle_between <- function(..., k = NULL, partial_warps = TRUE, dim = NULL, groups = NULL) {
  run_analysis(list(...), "DoMezeyAngle", groups, dim, k = k, partial_warps = partial_warps)
}

resample <- function(..., test = c("bootstrap", "boot_range", "range", "shuffle", "randomization"),
                     k = NULL, v = 1, seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
                     progress = interactive()) {
  test <- match.arg(test)
  run_analysis(list(...), kTests[[test]], groups, dim, k = k, partial_warps = partial_warps,
               v = v, seed = seed, progress = progress)
}

cpc <- function(..., pcs = NULL, partial_warps = TRUE, dim = NULL, groups = NULL) {
  run_analysis(list(...), "RunCPC", groups, dim, partial_warps = partial_warps, pcs = pcs)
}

components <- function(..., k, partial_warps = TRUE, dim = NULL, groups = NULL) {
  if (missing(k)) vexmoor_stop("components needs k, the number of principal components")
  run_analysis(list(...), "PrincipalComponents", groups, dim, k = k,
               partial_warps = partial_warps)
}

print.vexmoor_result <- function(x, ...) {
  cat(x$text, "\n", sep = "")
  if (!is.null(x$note)) cat(x$note, "\n", sep = "")
  invisible(x)
}
