// placeholder translation unit until the formats code arrives
