\name{resample}
\alias{resample}
\title{Resampling tests of the angle between subspaces}
\description{
Runs one of the five resampling tests of the angle between the groups'
subspaces of their \code{k} leading principal components: the within-group
bootstrap, the bootstrap range, the range test with Flury's log-likelihood
ratio, the random shuffle test, or the randomization test. Three or more
groups are tested pair by pair, with Holm-adjusted p-values.
}
\usage{
resample(..., test = c("bootstrap", "boot_range", "range", "shuffle", "randomization"),
         k = NULL, v = 1, seed = NULL, partial_warps = TRUE, dim = NULL,
         groups = NULL, progress = interactive(), threads = NULL)
}
\arguments{
  \item{...}{the groups: two or more arguments, or one list of groups, or one
    array or matrix with \code{groups}. A group is a \code{vexmoor_group}
    (\code{\link{read_group}}), an array landmarks x dimensions x specimens,
    any list holding such an array as \code{coords} (a Procrustes fit such as
    geomorph's \code{gpagen()} gives), or a matrix of specimens x coordinates
    (x1, y1, x2, y2, ...). Names of the list or arguments name the groups;
    no two may be the same.}
  \item{test}{the resampling test: the within-group bootstrap, the bootstrap
    range, the range test with Flury's log-likelihood ratio, the random shuffle
    test, or the randomization test.}
  \item{k}{the number of principal components to compare: a positive whole
    number (2.5 is refused, not rounded). Needed.}
  \item{v}{the replicate count, a positive whole number: 100 v^2 replicates
    (100 v for the bootstrap range).}
  \item{seed}{a whole number (or its digits as a string, up to 2^64 - 1) that
    makes the run repeatable; the same seed gives the same numbers as
    \code{vexmoor-batch --seed}. None: a fresh seed, given back in the result.}
  \item{partial_warps}{\code{TRUE} or \code{FALSE}. Two dimensions: analyse
    partial warps and uniform components; \code{FALSE}: the raw coordinates,
    that is the coordinates as given, not superimposed (no Procrustes fit),
    with one more variable: each specimen's centroid size for arrays, the
    file's trailing value for a \code{vexmoor_group}. Three-dimensional
    landmarks are analysed and resampled as partial warps either way. The
    JSON's \code{settings$shape_variables} names the variables used.}
  \item{dim}{2 or 3, for matrices; arrays say their own, and a \code{dim}
    that contradicts them is an error.}
  \item{groups}{a factor or vector giving each specimen of one array or
    matrix its group (no \code{NA}); groups come in the order their labels
    first appear.}
  \item{progress}{\code{TRUE} or \code{FALSE}: show a progress bar for runs
    longer than a second.}
  \item{threads}{the resampling's threads, a whole number from 1 to 1024;
    \code{NULL}: every core the session may use, at most 2 when the
    environment variable \code{_R_CHECK_LIMIT_CORES_} is set (as
    \code{R CMD check --as-cran} sets it). The numbers do not depend on it.
    The session's own BLAS keeps its thread count.}
}
\value{
A list of class \code{vexmoor_result} holding the JSON document of the same
batch run (its names are documented in the program's docs/json.md): \code{text}
(printed by \code{print}), \code{settings}, \code{groups}, \code{observed},
\code{intervals}, \code{p_values}, \code{models}, and for three or more groups
\code{pairs} and \code{tables} (matrices with the group names as dimnames).
\code{summary}, \code{as.data.frame} and \code{plot} take it apart
(\code{\link{vexmoor_result}}).
Errors are conditions of class \code{vexmoor_error}; an interrupt (Esc or
Ctrl+C) stops a run within a second with R's interrupt condition (classes
\code{vexmoor_interrupted} and \code{interrupt}, not an error).
\code{settings$seed} is the seed the run used (seeds beyond 2^53 as
strings); \code{intervals} the printed percentiles and \code{p_values} the
tests' p-values; \code{replicates} a data frame with one row per replicate and
the columns of \code{vexmoor-batch --replicates}; \code{note}, where present,
the line the batch prints below the text (replicates whose samples have
fewer independent directions than \code{k}).
}
\seealso{\code{\link{read_group}}, \code{\link{vexmoor_result}}}
\examples{
gorf <- read_group(system.file("extdata", "gorf.txt", package = "vexmoor"))
gorm <- read_group(system.file("extdata", "gorm.txt", package = "vexmoor"))
r <- resample(gorf, gorm, test = "range", k = 2, seed = 1, threads = 2)
r
as.data.frame(r)                    # observed values, percentiles, p-values
head(as.data.frame(r, what = "replicates"))
plot(r)                             # the replicates' histograms
}
