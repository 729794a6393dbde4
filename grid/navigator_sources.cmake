# The localised texts and the record navigator.
