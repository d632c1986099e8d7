vexmoor_stop <- function(message, class = character()) {
  stop(structure(class = c(class, "vexmoor_error", "error", "condition"),
                 list(message = message, call = sys.call(-1))))
}

# The user's interrupt as R gives it (a condition of class "interrupt", not
# an error), after the run it stopped has ended.
vexmoor_interrupt <- function() {
  signalCondition(structure(class = c("vexmoor_interrupted", "interrupt", "condition"),
                            list(message = "interrupted by the user; nothing was kept",
                                 call = sys.call(-1))))
  invokeRestart("abort")
}

checked <- function(r) {
  if (!is.null(r$error)) vexmoor_stop(r$error)
  if (isTRUE(r$interrupted)) vexmoor_interrupt()
  r
}

# How a message shows a value: text quoted and called text, so that "3"
# and 3 read differently.
shown <- function(x) {
  if (is.null(x)) return("NULL")
  if (length(x) != 1L) return(sprintf("a %s vector of length %d", class(x)[1], length(x)))
  if (is.character(x) && !is.na(x)) return(sprintf("the text \"%s\"", x))
  if (is.factor(x)) return(sprintf("the factor level \"%s\"", as.character(x)))
  paste(deparse(x), collapse = " ")
}

# TRUE or FALSE, nothing that merely converts to one.
flag <- function(name, x) {
  if (!is.logical(x) || length(x) != 1L || is.na(x)) {
    vexmoor_stop(sprintf("%s must be TRUE or FALSE; it is %s", name, shown(x)))
  }
  x
}

# One number (or, with text = TRUE, also its digits as text) for the
# library, whose rule for the setting decides its range and wholeness: R
# checks only that it is one value of such a type.
one_number <- function(name, x, text = FALSE) {
  if (is.null(x)) return(NULL)
  typed <- (is.numeric(x) && !is.factor(x)) || (text && is.character(x))
  if (!typed || length(x) != 1L || is.na(x)) {
    vexmoor_stop(sprintf("%s must be %s; it is %s", name,
                         if (text) "a whole number or its digits as text" else "a whole number",
                         shown(x)))
  }
  x
}

check_dim <- function(dim) {
  if (is.null(dim)) return(NULL)
  if (!is.numeric(dim) || is.factor(dim) || length(dim) != 1L || is.na(dim) ||
      !(dim %in% c(2, 3))) {
    vexmoor_stop(paste("dim must be 2 or 3; it is", shown(dim)))
  }
  as.integer(dim)
}

# Rows x1 y1 [z1] x2 ... of an n x (p*d) matrix as a p x d x n array.
rows_to_array <- function(m, d, identifiers = NULL) {
  n <- nrow(m)
  p <- ncol(m) %/% d
  a <- array(t(m), dim = c(d, p, n))
  a <- aperm(a, c(2, 1, 3))
  dimnames(a) <- list(NULL, c("x", "y", "z")[seq_len(d)], identifiers)
  a
}

# A p x d x n array as the n x (p*d) matrix of rows x1 y1 [z1] x2 ...
array_to_rows <- function(a) {
  d <- dim(a)
  matrix(aperm(a, c(2, 1, 3)), nrow = d[3], ncol = d[1] * d[2], byrow = TRUE)
}

read_group <- function(path, dim = NULL, drop_incomplete = FALSE) {
  if (!is.character(path) || length(path) != 1L || is.na(path)) {
    vexmoor_stop(paste("path must be one file name; it is", shown(path)))
  }
  r <- checked(.vx_read_group(path.expand(path), check_dim(dim),
                              flag("drop_incomplete", drop_incomplete)))
  for (w in r$warnings) warning(w, call. = FALSE)
  dropped <- data.frame(specimen = r$dropped$specimen, identifier = r$dropped$identifier)
  dropped$landmarks <- r$dropped$missing
  structure(list(coords = rows_to_array(r$coords, r$dim, r$identifiers),
                 identifiers = r$identifiers, format = r$format, file = r$file,
                 dropped = dropped),
            class = "vexmoor_group")
}

print.vexmoor_group <- function(x, ...) {
  d <- dim(x$coords)
  cat(sprintf("vexmoor group: %d specimens of %d landmarks in %d dimensions (%s file \"%s\")\n",
              d[3], d[1], d[2], x$format, x$file))
  if (NROW(x$dropped) > 0L) {
    cat(sprintf("%d left out for missing values: %s\n", nrow(x$dropped),
                paste(x$dropped$identifier, collapse = ", ")))
  }
  invisible(x)
}

# A Procrustes fit or any list that holds its specimens as `coords` (as
# geomorph's gpagen does, beside Csize): a group, not a list of groups.
is_fit <- function(x) is.list(x) && !is.data.frame(x) && !is.null(names(x)) && "coords" %in% names(x)

contradiction <- function(dim, label, a) {
  vexmoor_stop(sprintf("dim = %d contradicts %s, an array of %d landmarks x %d dimensions x %d specimens",
                       dim, label, dim(a)[1], dim(a)[2], dim(a)[3]))
}

# One group as the library interface takes it.
as_input_group <- function(x, dim, label, name = NULL) {
  if (inherits(x, "vexmoor_group")) {
    if (!is.null(dim) && dim != dim(x$coords)[2]) {
      contradiction(dim, sprintf("the group of file \"%s\"", x$file), x$coords)
    }
    return(list(coords = array_to_rows(x$coords), dim = dim(x$coords)[2],
                identifiers = x$identifiers, label = label, file = x$file,
                format = x$format, name = name, dropped = x$dropped))
  }
  if (is_fit(x)) {
    x <- x$coords
    if (!is.array(x) || length(dim(x)) != 3L) {
      vexmoor_stop(paste0(label, ": its coords must be an array of landmarks x dimensions x",
                          " specimens"))
    }
  }
  if (is.data.frame(x)) x <- as.matrix(x)
  if (is.array(x) && length(dim(x)) == 3L) {
    if (!is.numeric(x)) vexmoor_stop(paste0(label, ": the array must be numeric"))
    if (!is.null(dim) && dim != dim(x)[2]) contradiction(dim, label, x)
    ids <- dimnames(x)[[3]]
    return(list(coords = array_to_rows(x), dim = dim(x)[2],
                identifiers = if (is.null(ids)) NULL else as.character(ids),
                label = label, file = NULL, format = NULL, name = name))
  }
  if (is.matrix(x)) {
    if (!is.numeric(x)) vexmoor_stop(paste0(label, ": the matrix must be numeric"))
    ids <- rownames(x)
    storage.mode(x) <- "double"
    return(list(coords = unname(x), dim = if (is.null(dim)) 2L else dim,
                identifiers = if (is.null(ids)) NULL else as.character(ids),
                label = label, file = NULL, format = NULL, name = name))
  }
  if (is.list(x)) {
    held <- if (is.null(names(x))) "no named elements" else paste(names(x), collapse = ", ")
    vexmoor_stop(paste0(label, ": a list is a group when it holds the array coords (landmarks x",
                        " dimensions x specimens); this one holds ", held))
  }
  vexmoor_stop(paste0(label, ": a group is a vexmoor_group, an array of landmarks x dimensions",
                      " x specimens, or a matrix of specimens x coordinates"))
}

# The labels of `groups =`, one text per specimen; NA names no group.
group_labels <- function(groups) {
  if (!is.atomic(groups) || is.null(groups)) {
    vexmoor_stop(paste("groups = needs one label per specimen; it is", shown(groups)))
  }
  missing <- which(is.na(groups))
  if (length(missing) > 0L) {
    vexmoor_stop(sprintf("groups = gives specimen %d no group (NA); every specimen needs one",
                         missing[1]))
  }
  as.character(groups)
}

# The groups of a call: two or more arguments, one list of groups, or one
# array or matrix split by `groups`.
input_groups <- function(args, groups, dim) {
  if (length(args) == 1L && is.list(args[[1]]) && !inherits(args[[1]], "vexmoor_group") &&
      !is.data.frame(args[[1]]) && !is_fit(args[[1]])) {
    args <- args[[1]]
  }
  if (!is.null(groups)) {
    if (length(args) != 1L) vexmoor_stop("groups = splits one array or matrix; give just one")
    return(list(groups = list(as_input_group(args[[1]], dim, "the data")), named = TRUE,
                labels = group_labels(groups)))
  }
  if (length(args) < 2L) vexmoor_stop("give two groups or more (or one with groups =)")
  list_names <- names(args)
  named <- length(args) > 2L || (!is.null(list_names) && all(nzchar(list_names)))
  files <- vapply(args, function(a) if (inherits(a, "vexmoor_group")) a$file else NA_character_, "")
  stems <- if (!anyNA(files)) .vx_file_names(files) else NULL
  parts <- lapply(seq_along(args), function(i) {
    name <- if (!is.null(list_names) && nzchar(list_names[i])) list_names[i]
            else if (!is.null(stems)) stems[i] else paste("group", i)
    as_input_group(args[[i]], dim, if (is.na(files[i])) name else files[i], name)
  })
  list(groups = parts, named = named, labels = NULL)
}

# `within =`: each specimen's sub-group (sex, say), whose covariance
# matrices are averaged within each group. With `groups =` one label per
# specimen of the data; otherwise a list of one vector per group.
with_within <- function(input, within, split) {
  if (is.null(within)) return(input)
  sub_groups <- function(x, what) {
    if (!is.atomic(x) || is.null(x)) {
      vexmoor_stop(paste("within = needs one sub-group per specimen of", what, "; it is",
                         shown(x)))
    }
    missing <- which(is.na(x))
    if (length(missing) > 0L) {
      vexmoor_stop(sprintf("within = gives specimen %d of %s no sub-group (NA)", missing[1],
                           what))
    }
    as.character(x)
  }
  if (split) {
    input$groups[[1]]$within <- sub_groups(within, "the data")
    return(input)
  }
  if (is.atomic(within) || length(within) != length(input$groups)) {
    vexmoor_stop(sprintf(paste("within = needs a list of %d vectors, one sub-group per specimen",
                               "of each group (or one vector with groups =)"),
                         length(input$groups)))
  }
  for (i in seq_along(input$groups)) {
    input$groups[[i]]$within <- sub_groups(within[[i]], input$groups[[i]]$label)
  }
  input
}
