# Localised texts and record navigator.
