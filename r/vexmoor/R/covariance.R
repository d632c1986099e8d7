# The analyses that compare the groups' covariance matrices as a whole.

# The settings they share: a reduction (pcs of the pooled within-group
# covariance, or total_pcs of all specimens together) and resampling when v
# is given.
covariance_run <- function(call, args, action, groups, dim, pcs, total_pcs, v, seed,
                           partial_warps, threads, progress, within, k = NULL, reference = NULL,
                           log_euclidean = FALSE, diagonal = FALSE, mean_angle = FALSE,
                           always_resamples = FALSE) {
  if (!is.null(reference) &&
      (!is.character(reference) || length(reference) != 1L || is.na(reference))) {
    vexmoor_stop(paste("reference must be one group name; it is", shown(reference)))
  }
  covariance <- list(total_pcs = one_number("total_pcs", total_pcs),
                     reference = reference,
                     log_euclidean = flag("log_euclidean", log_euclidean),
                     diagonal = flag("diagonal", diagonal),
                     mean_angle = flag("mean_angle", mean_angle),
                     resample = !is.null(v))
  run_analysis(call, args, action, groups, dim, k = k, partial_warps = partial_warps,
               v = if (is.null(v)) 1L else v, seed = seed, progress = progress, pcs = pcs,
               threads = threads, needs_k = !is.null(k) || action == "CommonSubspace",
               covariance = covariance, within = within)
}

relative_eigen <- function(..., reference = NULL, pcs = NULL, total_pcs = NULL, v = NULL,
                           seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
                           progress = interactive(), threads = NULL, within = NULL) {
  covariance_run("relative_eigen", list(...), "RelativeEigenanalysis", groups, dim, pcs,
                 total_pcs, v, seed, partial_warps, threads, progress, within,
                 reference = reference)
}

covariance_distances <- function(..., log_euclidean = FALSE, pcs = NULL, total_pcs = NULL,
                                 v = NULL, seed = NULL, partial_warps = TRUE, dim = NULL,
                                 groups = NULL, progress = interactive(), threads = NULL,
                                 within = NULL) {
  covariance_run("covariance_distances", list(...), "CovarianceDistances", groups, dim, pcs,
                 total_pcs, v, seed, partial_warps, threads, progress, within,
                 log_euclidean = log_euclidean)
}

random_skewers <- function(..., mean_angle = FALSE, v = 1, pcs = NULL, total_pcs = NULL,
                           seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
                           progress = interactive(), threads = NULL, within = NULL) {
  if (is.null(v)) vexmoor_stop("v must be a positive whole number: the skewers number 100 v^2")
  covariance_run("random_skewers", list(...), "RandomSkewers", groups, dim, pcs, total_pcs, v,
                 seed, partial_warps, threads, progress, within, mean_angle = mean_angle)
}

matrix_correlation <- function(..., diagonal = FALSE, v = NULL, pcs = NULL, total_pcs = NULL,
                               seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
                               progress = interactive(), threads = NULL, within = NULL) {
  covariance_run("matrix_correlation", list(...), "MatrixCorrelation", groups, dim, pcs,
                 total_pcs, v, seed, partial_warps, threads, progress, within,
                 diagonal = diagonal)
}

common_subspace <- function(..., k = NULL, v = NULL, pcs = NULL, total_pcs = NULL, seed = NULL,
                            partial_warps = TRUE, dim = NULL, groups = NULL,
                            progress = interactive(), threads = NULL, within = NULL) {
  if (is.null(k)) {
    vexmoor_stop("common_subspace needs k, the number of each group's components")
  }
  covariance_run("common_subspace", list(...), "CommonSubspace", groups, dim, pcs, total_pcs, v,
                 seed, partial_warps, threads, progress, within, k = k)
}

kCovarianceActions <- c("RelativeEigenanalysis", "CovarianceDistances", "RandomSkewers",
                        "MatrixCorrelation", "CommonSubspace")

pair_label <- function(p) paste(unlist(p$groups), collapse = " / ")

# What --plot draws for these analyses, with base graphics.
plot_covariance <- function(x) {
  switch(x$action,
    RelativeEigenanalysis = {
      pairs <- x$relative_eigenanalysis
      values <- lapply(pairs, function(p) unlist(p$eigenvalues))
      graphics::matplot(do.call(cbind, values), type = "b", pch = 19, lty = 1, log = "y",
                        xlab = "relative eigenvector", ylab = "relative eigenvalue (log scale)",
                        main = "Relative eigenvalues")
      graphics::abline(h = 1, lty = 2)
      graphics::legend("topright", legend = vapply(pairs, pair_label, ""), bty = "n",
                       col = seq_along(pairs), lty = 1, cex = 0.8)
    },
    CovarianceDistances = {
      xy <- x$ordination$coordinates
      xy <- do.call(rbind, lapply(xy, function(r) c(unlist(r), 0, 0)[1:2]))
      names <- unlist(x$distances$groups)
      graphics::plot(xy, pch = 19, xlab = "PCo1", ylab = "PCo2",
                     main = "Ordination of the covariance matrices")
      graphics::text(xy, labels = names, pos = 3, cex = 0.8)
    },
    RandomSkewers = ,
    MatrixCorrelation = {
      pairs <- if (x$action == "RandomSkewers") x$random_skewers else x$matrix_correlation
      value <- vapply(pairs, function(p) {
        if (is.null(p$mean_correlation)) p$correlation else p$mean_correlation
      }, 0)
      graphics::dotchart(value, labels = vapply(pairs, pair_label, ""), xlim = c(-1, 1),
                         pch = 19, xlab = "correlation",
                         main = if (x$action == "RandomSkewers") "Random skewers"
                                else "Matrix correlation")
    },
    CommonSubspace = {
      values <- unlist(x$common_subspace$eigenvalues)
      graphics::barplot(values, names.arg = seq_along(values), ylim = c(0, length(x$groups)),
                        xlab = "eigenvector of H", ylab = "eigenvalue",
                        main = "The common subspace")
      graphics::abline(h = length(x$groups), lty = 2)
    })
}
