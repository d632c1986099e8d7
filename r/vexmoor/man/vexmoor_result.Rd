\name{print.vexmoor_result}
\alias{print.vexmoor_result}
\title{Show an analysis result}
\description{Prints the result text exactly as the program and its batch front end write it.}
\usage{\method{print}{vexmoor_result}(x, ...)}
\arguments{
  \item{x}{a \code{vexmoor_result}.}
  \item{...}{ignored.}
}
\value{\code{x}, invisibly.}
\examples{
gorf <- read_group(system.file("extdata", "gorf.txt", package = "vexmoor"))
gorm <- read_group(system.file("extdata", "gorm.txt", package = "vexmoor"))
print(angle_between(gorf, gorm, k = 1))
}
