# Throughput against picture size, one line per contender. scripts/bench.sh
# sets data (the benchmark's --chart-data file) and output (the image).
set terminal pngcairo size 1000,650 font ",11" noenhanced
set output output
set colorsequence podo
set title "Binary PPM (maximum 255) to a bottom-up BGR bitmap"
set xlabel "pixel bytes per picture"
set ylabel "GB/s of pixel bytes"
set logscale xy 10
set format x "%.0s %cB"
set grid
set key outside below vertical maxrows 3
plot for [column = 2:7] data using 1:column with linespoints linewidth 2 pointsize 1.5 \
  title columnheader(column)
