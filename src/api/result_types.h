// The result types the doors show beside a run's text and JSON: each
// group's principal components (the components window) and the resampling
// tests' statistics and percentiles (the histograms).
#pragma once

#include "compare/principal_components.h"
#include "compare/resampling_tests.h"
