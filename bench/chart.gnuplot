# Throughput against picture size, one line per contender. scripts/bench.sh
# sets data (the benchmark's --chart-data file) and output (the image).
set terminal pngcairo size 1000,600 font ",11"
set output output
set title "Binary PPM (maximum 255) to a bottom-up BGR bitmap"
set xlabel "pixel bytes per picture"
set ylabel "GB/s of pixel bytes"
set logscale x 10
set format x "%.0s %cB"
set yrange [0:*]
set grid
set key outside right top
plot for [column = 2:7] data using 1:column with linespoints linewidth 2 title columnheader(column)
