// Geometry and painting: geometric transforms, trimming rectangle, guide drawing, brushes.
#pragma once
