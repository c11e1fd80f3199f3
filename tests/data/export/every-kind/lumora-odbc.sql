INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('SetODBCFolders', 1100)
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveODBC', 2400)
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('InstallODBC', 5400)
UPDATE `Component` SET `Attributes` = 16 WHERE `Component` = 'Keep.Bestellungen_K_ln'
