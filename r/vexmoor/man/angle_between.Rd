\name{angle_between}
\alias{angle_between}
\alias{resample}
\alias{cpc}
\alias{components}
\title{Compare the principal-component subspaces of groups of landmark specimens}
\description{
\code{angle_between} gives the angle between the groups' subspaces of their
\code{k} leading principal components, with Krzanowski's summed-eigenvalue
metric. \code{resample} runs one of the five resampling tests of that angle.
\code{cpc} fits Flury's hierarchy of common-principal-components models with
AIC weights (with \code{pcs}, fitted to the scores of the first \code{pcs}
principal components of the pooled within-group covariance matrix, the usual
way when landmarks outnumber specimens). \code{components} gives each group's
\code{k} leading principal components: eigenvalues, loadings, landmark
displacements from the consensus and specimen scores, and for two groups the
principal angles between the subspaces with the pairs of directions. All groups are superimposed in one pooled frame; with partial
warps on, two-dimensional specimens become partial-warp and uniform scores.
Three or more groups give pairwise tables (and Holm-adjusted p-values) and
the hierarchy of all groups.
}
\usage{
angle_between(..., k = NULL, partial_warps = TRUE, dim = NULL, groups = NULL)
resample(..., test = c("bootstrap", "boot_range", "range", "shuffle", "randomization"),
         k = NULL, v = 1, seed = NULL, partial_warps = TRUE, dim = NULL,
         groups = NULL, progress = interactive())
cpc(..., pcs = NULL, partial_warps = TRUE, dim = NULL, groups = NULL)
components(..., k, partial_warps = TRUE, dim = NULL, groups = NULL)
}
\arguments{
  \item{...}{the groups: two or more arguments, or one list of groups, or one
    array or matrix with \code{groups}. A group is a \code{vexmoor_group}
    (\code{\link{read_group}}), an array landmarks x dimensions x specimens, or
    a matrix of specimens x coordinates (x1, y1, x2, y2, ...). Names of the
    list or arguments name the groups.}
  \item{k}{the number of principal components to compare.}
  \item{pcs}{fit the models to this many pooled principal components (fewer
    than every group's specimens); \code{NULL}: to the variables themselves.}
  \item{test}{the resampling test: the within-group bootstrap, the bootstrap
    range, the range test with Flury's log-likelihood ratio, the random shuffle
    test, or the randomization test.}
  \item{v}{the replicate count: 100 v^2 replicates (100 v for the bootstrap range).}
  \item{seed}{a whole number (or its digits as a string, up to 2^64 - 1) that
    makes the run repeatable; the same seed gives the same numbers as
    \code{vexmoor-batch --seed}. None: a fresh seed, given back in the result.}
  \item{partial_warps}{two dimensions: analyse partial warps and uniform
    components; \code{FALSE}: the raw coordinates.}
  \item{dim}{2 or 3, for matrices (arrays say their own).}
  \item{groups}{a factor or vector giving each specimen of one array or
    matrix its group; groups come in the order their labels first appear.}
  \item{progress}{show a progress bar for runs longer than a second.}
}
\value{
A list of class \code{vexmoor_result} holding the JSON document of the same
batch run (its names are documented in the program's docs/json.md): \code{text}
(printed by \code{print}), \code{settings} (with the seed), \code{groups},
\code{observed}, \code{intervals}, \code{p_values}, \code{models}, and for
three or more groups \code{pairs} and \code{tables}; \code{components} adds
\code{components}, \code{consensus}, \code{pooled}, \code{scores} and, for two
groups, \code{principal_angles} and \code{direction_pairs}. \code{note}, where
present, is the line the batch prints below the text (replicates whose
samples have fewer independent directions than \code{k}). Resampling tests add
\code{replicates}, a data frame with one row per replicate and the columns of
\code{vexmoor-batch --replicates}. Seeds beyond 2^53 are given as strings.
Errors are conditions of class \code{vexmoor_error}; an interrupt (Esc or
Ctrl+C) stops a run within a second with a condition of class
\code{vexmoor_interrupted}.
}
\examples{
gorf <- read_group(system.file("extdata", "gorf.txt", package = "vexmoor"))
gorm <- read_group(system.file("extdata", "gorm.txt", package = "vexmoor"))
angle_between(gorf, gorm, k = 2)
r <- resample(gorf, gorm, test = "bootstrap", k = 2, seed = 1)
r$p_values[[1]]$p
head(r$replicates)
cpc(gorf, gorm)$models$rows[[3]]$weight
pc <- components(gorf, gorm, k = 2)
pc$principal_angles
pc$components[[1]]$axes[[1]]$share
# One geomorph-style array and a factor of groups:
all <- array(c(gorf$coords, gorm$coords), dim = c(8, 2, 59))
sex <- factor(rep(c("female", "male"), c(30, 29)))
angle_between(all, groups = sex, k = 2)
}
