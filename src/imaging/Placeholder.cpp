// placeholder translation unit until the imaging code arrives
