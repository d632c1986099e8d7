\name{components}
\alias{components}
\title{Each group's leading principal components}
\description{
Gives each group's \code{k} leading principal components in the pooled
frame: eigenvalues, loadings, landmark displacements from the consensus and
specimen scores, and for two groups the principal angles between the
subspaces with the pairs of directions.
}
\usage{
components(..., k = NULL, partial_warps = TRUE, dim = NULL, groups = NULL)
}
\arguments{
  \item{...}{the groups: two or more arguments, or one list of groups, or one
    array or matrix with \code{groups}. A group is a \code{vexmoor_group}
    (\code{\link{read_group}}), an array landmarks x dimensions x specimens,
    any list holding such an array as \code{coords} (a Procrustes fit such as
    geomorph's \code{gpagen()} gives), or a matrix of specimens x coordinates
    (x1, y1, x2, y2, ...). Names of the list or arguments name the groups;
    no two may be the same.}
  \item{k}{the number of principal components to compare: a positive whole
    number (2.5 is refused, not rounded). Needed.}
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
It adds \code{components} (per group: \code{eigenvalues}, \code{shares},
\code{cumulative_shares} and the \code{axes} with loadings and
displacements), \code{consensus}, \code{pooled}, \code{scores} and, for two
groups, \code{principal_angles} and \code{direction_pairs}.
}
\seealso{\code{\link{read_group}}, \code{\link{vexmoor_result}}}
\examples{
gorf <- read_group(system.file("extdata", "gorf.txt", package = "vexmoor"))
gorm <- read_group(system.file("extdata", "gorm.txt", package = "vexmoor"))
pc <- components(gorf, gorm, k = 2)
pc$principal_angles
head(as.data.frame(pc, what = "scores"))
plot(pc)                            # scores and scree
}
