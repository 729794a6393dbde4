// Registers the navigator's classes and their stored properties with the form description reader, and the
// localised texts component. Called by StartComponentLibrary; safe to call again.
#pragma once

void RegisterNavigatorClasses();
