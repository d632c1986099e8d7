// Eigen's CHOLMOD module, which RcppEigen's headers include, asks for
// CHOLMOD's header. RcppEigen declares CHOLMOD's int functions itself; the
// module also names the long ones, declared here. The package never calls
// either: it takes no sparse matrices.
#pragma once
#include <RcppEigenCholmod.h>

extern "C" {
int cholmod_l_start(cholmod_common*);
int cholmod_l_finish(cholmod_common*);
int cholmod_l_free_factor(cholmod_factor**, cholmod_common*);
int cholmod_l_free_dense(cholmod_dense**, cholmod_common*);
int cholmod_l_free_sparse(cholmod_sparse**, cholmod_common*);
cholmod_factor* cholmod_l_analyze(cholmod_sparse*, cholmod_common*);
cholmod_dense* cholmod_l_solve(int, cholmod_factor*, cholmod_dense*, cholmod_common*);
cholmod_sparse* cholmod_l_spsolve(int, cholmod_factor*, cholmod_sparse*, cholmod_common*);
int cholmod_l_factorize_p(cholmod_sparse*, double*, SuiteSparse_long*, size_t, cholmod_factor*,
                          cholmod_common*);
}
