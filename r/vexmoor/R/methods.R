# R's own ways into a result: summary(), as.data.frame() and plot(). All of
# them read the result's data; none reads its text.

# The groups' names: as the call named them, else "group 1", "group 2", ...
group_names <- function(x) {
  vapply(seq_along(x$groups), function(i) {
    name <- x$groups[[i]]$name
    if (is.null(name)) paste("group", i) else name
  }, "")
}

# The pairwise tables with the group names on both margins.
name_tables <- function(result) {
  if (is.null(result$tables)) return(result)
  names <- group_names(result)
  result$tables <- lapply(result$tables, function(t) {
    if (is.matrix(t) && nrow(t) == length(names)) dimnames(t) <- list(names, names)
    t
  })
  result
}

or_na <- function(x) if (is.null(x)) NA else x

# The statistics of one comparison (the whole result, or one pair of a
# three-or-more-group run): observed values, percentiles and p-values.
statistics_rows <- function(part) {
  observed <- Filter(Negate(is.null), part$observed)
  rows <- list(data.frame(kind = rep("observed", length(observed)),
                          statistic = as.character(names(observed)),
                          value = as.numeric(unlist(observed, use.names = FALSE)),
                          level = rep(NA_real_, length(observed))))
  for (i in part$intervals) {
    rows[[length(rows) + 1L]] <- data.frame(kind = "percentile", statistic = i$name,
                                            value = i$value, level = i$level)
  }
  for (p in part$p_values) {
    rows[[length(rows) + 1L]] <- data.frame(kind = "p_value", statistic = p$name, value = p$p,
                                            level = NA_real_)
  }
  do.call(rbind, rows)
}

statistics_frame <- function(x) {
  if (is.null(x$pairs)) return(statistics_rows(x))
  do.call(rbind, lapply(x$pairs, function(pair) {
    rows <- statistics_rows(pair)
    cbind(group1 = pair$groups[1], group2 = pair$groups[2], rows)
  }))
}

pairs_frame <- function(x) {
  parts <- if (is.null(x$pairs)) {
    list(c(list(groups = group_names(x)), list(observed = x$observed)))
  } else {
    x$pairs
  }
  do.call(rbind, lapply(parts, function(pair) {
    o <- pair$observed
    data.frame(group1 = pair$groups[1], group2 = pair$groups[2], angle = or_na(o$angle),
               metric = or_na(o$metric), flury = or_na(o$flury),
               runtime_angle = or_na(o$runtime_angle), max_angle = or_na(o$max_angle))
  }))
}

models_frame <- function(x) {
  if (is.null(x$models)) vexmoor_stop("this result has no models: cpc() gives them")
  do.call(rbind, lapply(x$models$rows, function(m) {
    data.frame(model = m$model, log_likelihood = m$log_likelihood, parameters = m$parameters,
               aic = m$aic, weight = m$weight)
  }))
}

components_frame <- function(x) {
  if (is.null(x$components)) vexmoor_stop("this result has no components: components() gives them")
  do.call(rbind, lapply(x$components, function(g) {
    data.frame(group = g$group, component = seq_along(g$eigenvalues), eigenvalue = g$eigenvalues,
               share = g$shares, cumulative_share = g$cumulative_shares)
  }))
}

scores_frame <- function(x) {
  if (is.null(x$scores)) vexmoor_stop("this result has no scores: components() gives them")
  own <- do.call(rbind, lapply(x$scores, function(s) s$own))
  colnames(own) <- paste0("PC", seq_len(ncol(own)))
  cbind(data.frame(group = vapply(x$scores, function(s) s$group, ""),
                   specimen = vapply(x$scores, function(s) s$specimen, 0),
                   identifier = vapply(x$scores, function(s) {
                     if (is.null(s$identifier)) NA_character_ else as.character(s$identifier)
                   }, "")),
        own)
}

as.data.frame.vexmoor_result <- function(x, row.names = NULL, optional = FALSE,
                                         what = c("statistics", "replicates", "pairs", "models",
                                                  "components", "scores"), ...) {
  what <- match.arg(what)
  frame <- switch(what,
    statistics = statistics_frame(x),
    replicates = {
      if (is.null(x$replicates)) vexmoor_stop("this result has no replicates: resample() gives them")
      x$replicates
    },
    pairs = pairs_frame(x),
    models = models_frame(x),
    components = components_frame(x),
    scores = scores_frame(x))
  rownames(frame) <- row.names
  frame
}

summary.vexmoor_result <- function(object, ...) {
  groups <- data.frame(group = group_names(object),
                       specimens = vapply(object$groups, function(g) g$specimens, 0),
                       landmarks = vapply(object$groups, function(g) g$landmarks, 0))
  structure(list(action = object$action, groups = groups, settings = object$settings,
                 statistics = statistics_frame(object),
                 models = if (!is.null(object$models)) models_frame(object),
                 replicates = if (!is.null(object$replicates)) nrow(object$replicates)),
            class = "summary.vexmoor_result")
}

print.summary.vexmoor_result <- function(x, ...) {
  cat("vexmoor ", x$action, "\n\nGroups:\n", sep = "")
  print(x$groups, row.names = FALSE)
  if (!is.null(x$settings$components)) cat("\nComponents compared:", x$settings$components, "\n")
  if (!is.null(x$replicates)) {
    cat("Replicates:", x$replicates, " seed:", format(x$settings$seed, scientific = FALSE), "\n")
  }
  if (nrow(x$statistics) > 0L) {
    cat("\nStatistics:\n")
    print(x$statistics, row.names = FALSE, digits = 4)
  }
  if (!is.null(x$models)) {
    cat("\nModels:\n")
    print(x$models, row.names = FALSE, digits = 6)
  }
  invisible(x)
}

# Histograms of the replicates of one comparison, each with the observed
# value (solid) and its printed percentiles (dashed).
plot_replicates <- function(x, pair) {
  part <- x
  replicates <- x$replicates
  if (!is.null(x$pairs)) {
    if (!is.numeric(pair) || length(pair) != 1L || !(pair %in% seq_along(x$pairs))) {
      vexmoor_stop(sprintf("pair must be a whole number from 1 to %d; it is %s", length(x$pairs),
                           shown(pair)))
    }
    part <- x$pairs[[pair]]
    replicates <- replicates[replicates$group_a == part$groups[1] &
                             replicates$group_b == part$groups[2], , drop = FALSE]
  }
  columns <- unlist(part$replicate_columns)
  op <- graphics::par(mfrow = grDevices::n2mfrow(length(columns)))
  on.exit(graphics::par(op))
  for (column in columns) {
    statistic <- sub("_.*", "", column)
    observed <- part$observed[[statistic]]
    values <- replicates[[column]]
    marks <- Filter(function(i) identical(i$column, column), part$intervals)
    levels <- vapply(marks, function(i) sprintf("%.4g%%: %.4g", 100 * i$level, i$value), "")
    graphics::hist(values[is.finite(values)], breaks = 30, col = "grey85", border = "white",
                   main = column, xlab = statistic,
                   xlim = range(c(values, observed, vapply(marks, function(i) i$value, 0)),
                                finite = TRUE))
    graphics::abline(v = observed, col = "red", lwd = 2)
    for (m in marks) graphics::abline(v = m$value, lty = 2)
    graphics::legend("topright", bty = "n", cex = 0.8, lty = c(1, rep(2, length(marks))),
                     col = c("red", rep("black", length(marks))),
                     legend = c(sprintf("observed: %.4g", observed), levels))
  }
}

# The groups' scores on their first two components, and each group's scree.
plot_components <- function(x) {
  scores <- scores_frame(x)
  shares <- components_frame(x)
  groups <- unique(scores$group)
  colours <- grDevices::palette.colors(length(groups) + 1L)[-1L]
  op <- graphics::par(mfrow = c(1, 2))
  on.exit(graphics::par(op))
  second <- if ("PC2" %in% names(scores)) scores$PC2 else rep(0, nrow(scores))
  graphics::plot(scores$PC1, second, col = colours[match(scores$group, groups)], pch = 19,
                 xlab = "PC1", ylab = if ("PC2" %in% names(scores)) "PC2" else "",
                 main = "Scores on each group's components")
  graphics::legend("topright", legend = groups, col = colours, pch = 19, bty = "n", cex = 0.8)
  graphics::matplot(do.call(cbind, split(shares$share, factor(shares$group, groups))),
                    type = "b", pch = 19, lty = 1, col = colours, xlab = "component",
                    ylab = "share of the variance", main = "Scree")
}

plot_models <- function(x) {
  models <- models_frame(x)
  op <- graphics::par(mar = c(4, 14, 3, 1))
  on.exit(graphics::par(op))
  graphics::barplot(rev(models$weight), names.arg = rev(models$model), horiz = TRUE, las = 1,
                    xlim = c(0, 1), xlab = "AIC weight", main = "The hierarchy's AIC weights")
}

plot_angles <- function(x) {
  pairs <- pairs_frame(x)
  graphics::dotchart(pairs$angle, labels = paste(pairs$group1, "-", pairs$group2),
                     xlim = c(0, max(c(pairs$max_angle, pairs$angle), na.rm = TRUE)),
                     xlab = "angle (degrees)", pch = 19,
                     main = "Angles between the groups' subspaces")
}

plot.vexmoor_result <- function(x, pair = 1, ...) {
  if (x$action %in% kCovarianceActions) {
    plot_covariance(x)
  } else if (!is.null(x$replicates)) {
    plot_replicates(x, pair)
  } else if (!is.null(x$components)) {
    plot_components(x)
  } else if (!is.null(x$models)) {
    plot_models(x)
  } else {
    plot_angles(x)
  }
  invisible(x)
}
