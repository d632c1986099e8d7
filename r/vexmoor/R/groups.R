vexmoor_stop <- function(message, class = character()) {
  stop(structure(class = c(class, "vexmoor_error", "error", "condition"),
                 list(message = message, call = sys.call(-1))))
}

checked <- function(r) {
  if (!is.null(r$error)) vexmoor_stop(r$error)
  r
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

read_group <- function(path, dim = NULL) {
  if (!is.character(path) || length(path) != 1L) vexmoor_stop("path must be one file name")
  if (!is.null(dim)) dim <- as.integer(dim)
  r <- checked(.vx_read_group(path.expand(path), dim))
  if (nzchar(r$warnings)) {
    for (w in strsplit(sub("\n$", "", r$warnings), "\n")[[1]]) warning(sub("^warning: ", "", w), call. = FALSE)
  }
  structure(list(coords = rows_to_array(r$coords, r$dim, r$identifiers),
                 identifiers = r$identifiers, format = r$format, file = r$file),
            class = "vexmoor_group")
}

print.vexmoor_group <- function(x, ...) {
  d <- dim(x$coords)
  cat(sprintf("vexmoor group: %d specimens of %d landmarks in %d dimensions (%s file \"%s\")\n",
              d[3], d[1], d[2], x$format, x$file))
  invisible(x)
}

# One group as the library interface takes it.
as_input_group <- function(x, dim, label, name = NULL) {
  if (inherits(x, "vexmoor_group")) {
    return(list(coords = array_to_rows(x$coords), dim = dim(x$coords)[2],
                identifiers = x$identifiers, label = label, file = x$file,
                format = x$format, name = name))
  }
  if (is.data.frame(x)) x <- as.matrix(x)
  if (is.array(x) && length(dim(x)) == 3L) {
    if (!is.numeric(x)) vexmoor_stop(paste0(label, ": the array must be numeric"))
    ids <- dimnames(x)[[3]]
    return(list(coords = array_to_rows(x), dim = dim(x)[2],
                identifiers = if (is.null(ids)) NULL else as.character(ids),
                label = label, file = NULL, format = NULL, name = name))
  }
  if (is.matrix(x)) {
    if (!is.numeric(x)) vexmoor_stop(paste0(label, ": the matrix must be numeric"))
    ids <- rownames(x)
    storage.mode(x) <- "double"
    return(list(coords = unname(x), dim = if (is.null(dim)) 2L else as.integer(dim),
                identifiers = if (is.null(ids)) NULL else as.character(ids),
                label = label, file = NULL, format = NULL, name = name))
  }
  vexmoor_stop(paste0(label, ": a group is a vexmoor_group, an array of landmarks x dimensions",
                      " x specimens, or a matrix of specimens x coordinates"))
}

# The groups of a call: two or more arguments, one list of groups, or one
# array or matrix split by `groups`.
input_groups <- function(args, groups, dim) {
  if (length(args) == 1L && is.list(args[[1]]) && !inherits(args[[1]], "vexmoor_group") &&
      !is.data.frame(args[[1]])) {
    args <- args[[1]]
  }
  if (!is.null(groups)) {
    if (length(args) != 1L) vexmoor_stop("groups = splits one array or matrix; give just one")
    one <- as_input_group(args[[1]], dim, "the data")
    rows <- one$coords
    labels <- trimws(as.character(groups))
    if (length(labels) != nrow(rows)) {
      vexmoor_stop(sprintf("groups = gives %d labels for %d specimens", length(labels), nrow(rows)))
    }
    if (anyNA(labels) || any(!nzchar(labels))) vexmoor_stop("groups = has a missing or empty label")
    # In the order the labels first appear, as the batch front end's --group-by.
    names <- unique(labels)
    if (length(names) < 2L) vexmoor_stop("groups = gives every specimen one group; comparing groups needs at least two")
    parts <- lapply(names, function(g) {
      keep <- labels == g
      part <- one
      part$coords <- rows[keep, , drop = FALSE]
      if (!is.null(one$identifiers)) part$identifiers <- one$identifiers[keep]
      part$label <- g
      part$name <- g
      part
    })
    return(list(groups = parts, named = TRUE))
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
  list(groups = parts, named = named)
}
