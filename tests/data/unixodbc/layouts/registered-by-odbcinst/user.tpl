[Orders]
Driver=Test Driver
DBQ=C:\data\orders.mdb

[Shared]
Driver=Test Driver
Server=user-side
