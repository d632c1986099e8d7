#include "runtime/landmark_array.h"

namespace vexmoor {

LandmarkArray::LandmarkArray(Index landmarks, Index dims, Index specimens)
    : m_data(Matrix::Zero(landmarks, dims * specimens)), m_dims(dims) {}

LandmarkArray::LandmarkArray(const Matrix& page) : m_data(page), m_dims(page.cols()) {}

}  // namespace vexmoor
