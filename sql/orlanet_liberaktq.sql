-- The central report server's database: one row per backup run and one per backed-up folder.
-- Load it with:  mariadb -u root < sql/orlanet_liberaktq.sql
CREATE DATABASE IF NOT EXISTS orlanet_liberaktq
    CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;

USE orlanet_liberaktq;

CREATE TABLE IF NOT EXISTS rdamovtos (
    Id INT NOT NULL AUTO_INCREMENT,
    Fecha DATE NOT NULL,
    Version VARCHAR(32) NOT NULL,
    PRIMARY KEY (Id),
    KEY idx_rdamovtos_fecha (Fecha)
) ENGINE = InnoDB;

-- Routes are local paths of any length, so they are TEXT rather than a bounded VARCHAR.
CREATE TABLE IF NOT EXISTS rdamovtosdetalle (
    Id INT NOT NULL AUTO_INCREMENT,
    IdMovto INT NOT NULL,
    RutaRespaldada TEXT NOT NULL,
    RutaDestino TEXT NOT NULL,
    PRIMARY KEY (Id),
    KEY idx_rdamovtosdetalle_idmovto (IdMovto)
) ENGINE = InnoDB;
