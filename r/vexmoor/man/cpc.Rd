\name{cpc}
\alias{cpc}
\title{Flury's hierarchy of common-principal-components models}
\description{
Fits Flury's hierarchy of common-principal-components models to the
groups' covariance matrices, from equal matrices to unrelated ones, with AIC
weights. With \code{pcs}, the models are fitted to the scores of the first
\code{pcs} principal components of the pooled within-group covariance matrix,
the usual way when landmarks outnumber specimens.
}
\usage{
cpc(..., pcs = NULL, partial_warps = TRUE, dim = NULL, groups = NULL)
}
\arguments{
  \item{...}{the groups: two or more arguments, or one list of groups, or one
    array or matrix with \code{groups}. A group is a \code{vexmoor_group}
    (\code{\link{read_group}}), an array landmarks x dimensions x specimens,
    any list holding such an array as \code{coords} (a Procrustes fit such as
    geomorph's \code{gpagen()} gives), or a matrix of specimens x coordinates
    (x1, y1, x2, y2, ...). Names of the list or arguments name the groups;
    no two may be the same.}
  \item{pcs}{fit the models to this many pooled principal components (a
    positive whole number, fewer than every group's specimens); \code{NULL}:
    to the variables themselves.}
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
\code{models$rows} holds one list per model: \code{model},
\code{log_likelihood}, \code{parameters}, \code{aic} and \code{weight};
\code{as.data.frame(x, what = "models")} gives them as a table.
}
\seealso{\code{\link{read_group}}, \code{\link{vexmoor_result}}}
\examples{
gorf <- read_group(system.file("extdata", "gorf.txt", package = "vexmoor"))
gorm <- read_group(system.file("extdata", "gorm.txt", package = "vexmoor"))
h <- cpc(gorf, gorm)
h
as.data.frame(h, what = "models")
plot(h)                             # the AIC weights
cpc(gorf, gorm, pcs = 3)            # on 3 pooled components
}
