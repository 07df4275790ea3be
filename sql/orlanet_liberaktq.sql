-- The central report server's database: one row per backup run, one per backed-up folder and
-- one per proof of a copy.
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

-- The proof of each run's copy: files and bytes read back, tables checked, and the first failure.
-- A server without this table still takes the rows of the runs.
CREATE TABLE IF NOT EXISTS rdacomprobaciones (
    Id INT NOT NULL AUTO_INCREMENT,
    IdMovto INT NOT NULL,
    Fecha DATETIME NOT NULL,
    Resultado VARCHAR(32) NOT NULL,
    Archivos INT NOT NULL,
    Bytes BIGINT NOT NULL,
    Tablas INT NOT NULL,
    Falla TEXT NOT NULL,
    PRIMARY KEY (Id),
    KEY idx_rdacomprobaciones_idmovto (IdMovto)
) ENGINE = InnoDB;
