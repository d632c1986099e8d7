kTests <- c(bootstrap = "BootMezeyAngle", boot_range = "BootConMezeyAngle",
            range = "RangeMezeyAngle", shuffle = "PermuteMezeyAngle",
            randomization = "RandMezeyAngle")

# R's convention for packages: at most 2 cores where R CMD check limits
# them; elsewhere every core the process may use (NULL).
default_threads <- function() {
  limit <- tolower(Sys.getenv("_R_CHECK_LIMIT_CORES_", ""))
  if (nzchar(limit) && limit != "false") 2L else NULL
}

run_analysis <- function(call, args, action, groups, dim, k = NULL, partial_warps = TRUE,
                         v = 1L, seed = NULL, progress = interactive(), pcs = NULL,
                         threads = NULL, needs_k = FALSE, covariance = NULL, within = NULL) {
  if (needs_k && is.null(k)) {
    vexmoor_stop(paste(call, "needs k, the number of principal components to compare"))
  }
  dim <- check_dim(dim)
  settings <- list(action = action, three_d = identical(dim, 3L),
                   partial_warps = flag("partial_warps", partial_warps),
                   k = one_number("k", k), v = one_number("v", v),
                   seed = one_number("seed", seed, text = TRUE), pcs = one_number("pcs", pcs),
                   threads = if (is.null(threads)) default_threads()
                             else one_number("threads", threads),
                   covariance = covariance)
  progress <- flag("progress", progress)
  input <- with_within(input_groups(args, groups, dim), within, !is.null(groups))
  r <- checked(.vx_run(input$groups, input$named, input$labels, settings, progress))
  for (w in r$warnings) warning(w, call. = FALSE)
  result <- r$document
  if (nzchar(r$note)) result$note <- r$note
  if (!is.null(r$replicates)) result$replicates <- r$replicates
  class(result) <- "vexmoor_result"
  name_tables(result)
}

angle_between <- function(..., k = NULL, partial_warps = TRUE, dim = NULL, groups = NULL) {
  run_analysis("angle_between", list(...), "DoMezeyAngle", groups, dim, k = k,
               partial_warps = partial_warps, needs_k = TRUE)
}

resample <- function(..., test = c("bootstrap", "boot_range", "range", "shuffle", "randomization"),
                     k = NULL, v = 1, seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
                     progress = interactive(), threads = NULL) {
  if (missing(test)) test <- "bootstrap"
  if (!is.character(test) || length(test) != 1L || !(test %in% names(kTests))) {
    vexmoor_stop(sprintf("test must be one of %s; it is %s",
                         paste(names(kTests), collapse = ", "), shown(test)))
  }
  run_analysis("resample", list(...), kTests[[test]], groups, dim, k = k,
               partial_warps = partial_warps, v = v, seed = seed, progress = progress,
               threads = threads, needs_k = TRUE)
}

cpc <- function(..., pcs = NULL, partial_warps = TRUE, dim = NULL, groups = NULL) {
  run_analysis("cpc", list(...), "RunCPC", groups, dim, partial_warps = partial_warps, pcs = pcs)
}

components <- function(..., k = NULL, partial_warps = TRUE, dim = NULL, groups = NULL) {
  run_analysis("components", list(...), "PrincipalComponents", groups, dim, k = k,
               partial_warps = partial_warps, needs_k = TRUE)
}

print.vexmoor_result <- function(x, ...) {
  cat(x$text, "\n", sep = "")
  if (!is.null(x$note)) cat(x$note, "\n", sep = "")
  invisible(x)
}
