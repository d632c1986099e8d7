\name{read_group}
\alias{read_group}
\alias{print.vexmoor_group}
\title{Read a group of landmark specimens}
\description{
Reads one group of specimens from any file the program reads: a plain landmark
file (one specimen a line, x1 y1 [z1] ... and a trailing value), TPS, NTS, a CSV
or TSV table with a header, or Morphologika. The format is found from the
content.
}
\usage{
read_group(path, dim = NULL, drop_incomplete = FALSE)
\method{print}{vexmoor_group}(x, ...)
}
\arguments{
  \item{path}{the file.}
  \item{dim}{2 or 3: the dimension of a plain file's landmarks, which the file
    does not state (default 2). A file that states its dimension must agree,
    and the file's columns must fit it.}
  \item{drop_incomplete}{\code{TRUE} or \code{FALSE}. Specimens with missing
    values (a TPS landmark of -999 in every coordinate, NA or NaN; the missing
    value code an NTS header declares; NA, NaN or an empty field in tables and
    Morphologika files) are refused by default, the error naming each
    specimen and landmark; \code{TRUE} leaves them out instead. The analyses
    of the group name them in their note and in the JSON.}
  \item{x}{a \code{vexmoor_group}.}
  \item{...}{ignored.}
}
\value{
A list of class \code{vexmoor_group}: \code{coords}, an array landmarks x
dimensions x specimens (as the geomorph package keeps landmarks); \code{identifiers},
one per specimen (running numbers where the file names none); \code{format};
\code{file}; and \code{dropped}, a data frame of the specimens left out
(\code{specimen}, their number in the file; \code{identifier}; \code{landmarks},
a list of the landmarks missing), with no rows when none was. Errors are conditions of class \code{vexmoor_error} naming the file,
line and value at fault. Esc or Ctrl+C ends a read that waits for its file (a
FIFO nobody writes) with R's interrupt condition.
}
\examples{
gorf <- read_group(system.file("extdata", "gorf.txt", package = "vexmoor"))
gorf
dim(gorf$coords)
}
