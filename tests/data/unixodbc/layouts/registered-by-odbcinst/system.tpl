[Stock]
Driver=Test Driver
Port=5432

[Shared]
Driver=Test Driver
Server=machine-side
