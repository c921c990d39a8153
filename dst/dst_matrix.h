// A two-dimensional array held as one contiguous row-major block.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

template <class T>
class dst_matrix {
public:
    void assign(std::size_t rows, std::size_t columns, const T& value = T{})
    {
        cells_.assign(rows * columns, value);
        rows_ = rows;
        columns_ = columns;
    }

    void release()
    {
        std::vector<T>().swap(cells_);
        rows_ = columns_ = 0;
    }

    std::size_t rows() const { return rows_; }
    std::size_t columns() const { return columns_; }

    std::span<T> row(std::size_t r) { return {cells_.data() + r * columns_, columns_}; }
    std::span<const T> row(std::size_t r) const { return {cells_.data() + r * columns_, columns_}; }

    T& operator()(std::size_t r, std::size_t c) { return cells_[r * columns_ + c]; }
    const T& operator()(std::size_t r, std::size_t c) const { return cells_[r * columns_ + c]; }

private:
    std::vector<T> cells_;
    std::size_t rows_ = 0;
    std::size_t columns_ = 0;
};
