// Placeholder translation unit until the installer's modules arrive.
