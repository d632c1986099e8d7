\name{vexmoor_result}
\alias{vexmoor_result}
\alias{print.vexmoor_result}
\alias{summary.vexmoor_result}
\alias{print.summary.vexmoor_result}
\alias{as.data.frame.vexmoor_result}
\alias{plot.vexmoor_result}
\title{Show, tabulate and draw an analysis result}
\description{
\code{print} writes the result text exactly as the program and its batch
front end write it. \code{summary} gives the groups, the settings and the
statistics as tables. \code{as.data.frame} gives one tidy table of the
result. \code{plot} draws the result's picture with base graphics: for a
resampling test the histograms of the replicates with the observed value
(solid) and the printed percentiles (dashed); for \code{components} the
specimens' scores on their group's first two components and each group's
scree; for \code{cpc} the AIC weights of the hierarchy; for
\code{angle_between} the angle of each pair of groups.
}
\usage{
\method{print}{vexmoor_result}(x, ...)
\method{summary}{vexmoor_result}(object, ...)
\method{as.data.frame}{vexmoor_result}(x, row.names = NULL, optional = FALSE,
  what = c("statistics", "replicates", "pairs", "models", "components", "scores"), ...)
\method{plot}{vexmoor_result}(x, pair = 1, ...)
}
\arguments{
  \item{x, object}{a \code{vexmoor_result}.}
  \item{row.names}{row names for the table, or \code{NULL}.}
  \item{optional}{ignored.}
  \item{what}{the table: \code{"statistics"}, one row per statistic (the
    observed values, the percentiles with their \code{level}, the p-values),
    for three or more groups per pair of groups (\code{group1}, \code{group2});
    \code{"replicates"}, one row per replicate; \code{"pairs"}, one row per
    pair of groups with its observed angle, metric and Flury statistic;
    \code{"models"}, one row per model of the hierarchy; \code{"components"},
    one row per group and component with eigenvalue and share;
    \code{"scores"}, one row per specimen with its scores on its group's
    components. A table the result has no data for is an error.}
  \item{pair}{for a resampling test of three or more groups, the number of
    the pair whose replicates \code{plot} draws (in the order of
    \code{x$pairs}).}
  \item{...}{ignored.}
}
\value{
\code{print} and \code{plot}: \code{x}, invisibly. \code{summary}: a list of
class \code{summary.vexmoor_result} (\code{action}, \code{groups},
\code{settings}, \code{statistics}, \code{models}, \code{replicates}, the
replicate count) that prints as tables. \code{as.data.frame}: a data frame.
}
\examples{
gorf <- read_group(system.file("extdata", "gorf.txt", package = "vexmoor"))
gorm <- read_group(system.file("extdata", "gorm.txt", package = "vexmoor"))
r <- resample(gorf, gorm, test = "bootstrap", k = 2, seed = 1, threads = 2)
print(r)
summary(r)
as.data.frame(r)
plot(r)
summary(cpc(gorf, gorm))
}
