# The data grid: column list and layout store, display and data link, painting.
