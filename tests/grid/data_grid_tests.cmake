# Data grid.
