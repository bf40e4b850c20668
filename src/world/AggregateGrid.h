#pragma once

// Per-colour atom density: 40 x 40 cells of 80 x 80 world units, one layer per
// declared colour, with an empty-mask and one display colour per layer.
class StateArchive;

class AggregateGrid {
public:
    static constexpr int kCols = 40;
    static constexpr int kRows = 40;
    static constexpr float kCellW = 80.0f;
    static constexpr float kCellH = 80.0f;

    explicit AggregateGrid(int layers);
    ~AggregateGrid();
    AggregateGrid(const AggregateGrid &) = delete;
    AggregateGrid &operator=(const AggregateGrid &) = delete;

    int layerCount() const { return layers; }
    // -1.0 when the point's cell is outside the grid.
    float read(int layer, float x, float y) const;
    void write(int layer, float x, float y, float value);
    // read + amount, at most 1.0, written back: an atom's mark, every atom
    // every step, so the cell is found once.
    void deposit(int layer, float x, float y, float amount) {
        int i, j;
        if (layer < 0 || layer >= layers || !cellOf(x, y, i, j)) return;
        float &cell = values[(layer * kRows + j) * kCols + i];
        float v = cell + amount;
        if (v > 1.0f) v = 1.0f;
        if (v != 0.0f) {
            cell = v;
            emptyMask[j * kCols + i] = 0;
        } else {
            write(layer, x, y, v);
        }
    }
    bool cellOf(float x, float y, int &i, int &j) const {
        // Truncation toward zero, as the step's other grids do; -0.5 is cell 0.
        // Past the test the quotients lie in (-1, kCols) and (-1, kRows):
        // the largest float below kCols * kCellW divides to below kCols.
        if (!(x > -kCellW && x < kCols * kCellW && y > -kCellH && y < kRows * kCellH)) return false;
        i = static_cast<int>(x / kCellW);
        j = static_cast<int>(y / kCellH);
        return true;
    }
    bool cellEmpty(int i, int j) const { return emptyMask[j * kCols + i] != 0; }
    bool emptyAt(float x, float y) const;
    float cellValue(int layer, int i, int j) const { return values[(layer * kRows + j) * kCols + i]; }
    void setLayerColour(int layer, const float rgb[3]);
    const float *layerColour(int layer) const { return colours + 3 * layer; }
    // A grid of newLayers layers holding layer l of this one as layer
    // newOfOld[l] (none where that is -1); layer colours are the caller's.
    AggregateGrid *renumbered(const int *newOfOld, int newLayers) const;
    // Values and empty-mask (the layer count is the colour count).
    void archive(StateArchive &a);

private:
    int layers;
    float *values;
    unsigned char emptyMask[kCols * kRows];
    float *colours;
};
