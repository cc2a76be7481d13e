"""Checks a waterfall picture's plot: in every pixel row the brightest column is the
one that shows the expected frequency (give or take one column, as a tone between two
transform bins lights both).

check_waterfall.py WIDTH HEIGHT EXPECTED_COLUMN < raw 8-bit RGB of the plot area
Exits 1 with the first rows that differ."""
import sys


def brightest_columns(data, width, height):
    columns = []
    for y in range(height):
        row = data[3 * width * y:3 * width * (y + 1)]
        best, best_luma = 0, -1.0
        for x in range(width):
            r, g, b = row[3 * x], row[3 * x + 1], row[3 * x + 2]
            luma = 0.2126 * r + 0.7152 * g + 0.0722 * b
            if luma > best_luma:
                best, best_luma = x, luma
        columns.append(best)
    return columns


def main():
    width, height, expected = (int(a) for a in sys.argv[1:4])
    data = sys.stdin.buffer.read()
    if len(data) != 3 * width * height:
        print(f"expected {3 * width * height} bytes of plot, got {len(data)}")
        return 1
    columns = brightest_columns(data, width, height)
    wrong = [(y, c) for y, c in enumerate(columns) if abs(c - expected) > 1]
    if wrong:
        print(f"{len(wrong)} of {height} rows are brightest elsewhere than column {expected}: "
              + ", ".join(f"row {y} at {c}" for y, c in wrong[:5]))
        return 1
    print(f"all {height} rows brightest at column {expected} +-1")
    return 0


if __name__ == "__main__":
    sys.exit(main())
