\name{covariance}
\alias{relative_eigen}
\alias{covariance_distances}
\alias{random_skewers}
\alias{matrix_correlation}
\alias{common_subspace}
\title{Comparing the groups' covariance matrices as a whole}
\description{
Five analyses of the groups' covariance matrices, from the same pooled frame
and shape variables as the other analyses:
\code{relative_eigen} (relative eigenanalysis of each pair, or of each group
relative to \code{reference}: the directions of maximal and minimal variance
ratio, the ratio of generalised variances, a test of proportionality),
\code{covariance_distances} (Riemannian distances between the matrices and
their ordination), \code{random_skewers} (the correlation of the groups'
responses to the same random selection vectors), \code{matrix_correlation}
(the correlation of the matrices' elements, with a permutation test) and
\code{common_subspace} (Krzanowski's common subspace of the groups' first
\code{k} components). Each equals the batch front end's action of the same
settings (\code{RelativeEigenanalysis}, \code{CovarianceDistances},
\code{RandomSkewers}, \code{MatrixCorrelation}, \code{CommonSubspace}).
}
\usage{
relative_eigen(..., reference = NULL, pcs = NULL, total_pcs = NULL, v = NULL,
  seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
  progress = interactive(), threads = NULL, within = NULL)
covariance_distances(..., log_euclidean = FALSE, pcs = NULL, total_pcs = NULL,
  v = NULL, seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
  progress = interactive(), threads = NULL, within = NULL)
random_skewers(..., mean_angle = FALSE, v = 1, pcs = NULL, total_pcs = NULL,
  seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
  progress = interactive(), threads = NULL, within = NULL)
matrix_correlation(..., diagonal = FALSE, v = NULL, pcs = NULL, total_pcs = NULL,
  seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
  progress = interactive(), threads = NULL, within = NULL)
common_subspace(..., k = NULL, v = NULL, pcs = NULL, total_pcs = NULL,
  seed = NULL, partial_warps = TRUE, dim = NULL, groups = NULL,
  progress = interactive(), threads = NULL, within = NULL)
}
\arguments{
  \item{...}{the groups, as for \code{\link{angle_between}}: two or more.}
  \item{reference}{the name of the group every other one is compared with;
    \code{NULL}: every pair.}
  \item{log_euclidean}{\code{TRUE}: the log-Euclidean distances as well.}
  \item{mean_angle}{\code{TRUE}: the mean angle between the responses as well.}
  \item{diagonal}{\code{TRUE}: correlate the diagonal elements too.}
  \item{k}{each group's number of leading components (a positive whole number).}
  \item{v}{draw 100 v^2 replicates (the bootstrap of the relative eigenvalues,
    the permutation tests, the null of the common subspace); \code{NULL}: none.
    The random skewers number 100 v^2.}
  \item{pcs}{first reduce the variables to this many principal components of
    the pooled within-group covariance matrix.}
  \item{total_pcs}{first reduce them to this many principal components of all
    specimens together (centred on the grand mean). Not with \code{pcs}. A
    covariance matrix of more variables than its group has specimens is
    singular and refused.}
  \item{within}{each specimen's sub-group (sex, say): each group's covariance
    matrix is then the unweighted mean of its sub-groups' matrices (divisor
    n - 1 in each), which removes the sub-groups' mean differences. With
    \code{groups}, one label per specimen of the data; otherwise a list of one
    vector per group. Every sub-group needs at least 2 specimens.}
  \item{seed}{the seed of the resampling: a whole number, or its digits as
    text up to 2^64 - 1; \code{NULL}: a fresh one, reported in the result.}
  \item{partial_warps, dim, groups}{as for \code{\link{angle_between}}.}
  \item{progress}{\code{TRUE} or \code{FALSE}: show a progress bar for long
    runs.}
  \item{threads}{the replicates' threads (1 to 1024); \code{NULL}: every core,
    or 2 when \code{_R_CHECK_LIMIT_CORES_} is set. The numbers do not depend
    on it.}
}
\value{
A list of class \code{vexmoor_result} holding the batch run's JSON document:
\code{text}, \code{settings}, \code{groups}, \code{variables}, and the
analysis's own member (\code{relative_eigenanalysis}; \code{distances},
\code{ordination} and \code{p_values}; \code{random_skewers};
\code{matrix_correlation}; \code{common_subspace}), and \code{replicates} when
it drew any. \code{plot} draws the relative eigenvalues, the ordination, the
correlations of each pair, or the eigenvalues of the common subspace.
Sub-groups pooled within groups (the batch's \code{--within}) are the batch's
alone for now.
}
\seealso{\code{\link{angle_between}}, \code{\link{vexmoor_result}}}
\examples{
gorf <- read_group(system.file("extdata", "gorf.txt", package = "vexmoor"))
gorm <- read_group(system.file("extdata", "gorm.txt", package = "vexmoor"))
relative_eigen(gorf, gorm, pcs = 4)
d <- covariance_distances(gorf, gorm, gorf[["coords"]][, , 1:20], pcs = 4)
plot(d)
random_skewers(gorf, gorm, seed = 1, threads = 1)
matrix_correlation(gorf, gorm)
common_subspace(gorf, gorm, k = 2)
}
